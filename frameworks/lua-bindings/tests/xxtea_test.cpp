#include "xxtea/xxtea.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing_support::fromHex;
using testing_support::toHex;

namespace {

std::string encrypt(const std::string& plain, const std::string& key) {
    const std::vector<unsigned char> out = xxtea::encrypt(plain.data(), plain.size(), key.data(), key.size());
    return std::string(out.begin(), out.end());
}

bool decrypt(const std::string& cipher, const std::string& key, std::string& plain) {
    std::vector<unsigned char> out;
    const bool ok = xxtea::decrypt(cipher.data(), cipher.size(), key.data(), key.size(), out);
    plain.assign(out.begin(), out.end());
    return ok;
}

struct KnownVector {
    const char* name;
    std::string plain;
    std::string key;
    const char* cipherHex;
};

// The first is a published vector of the same format; the others come from an
// independent implementation and cover empty, sub-word, whole-word and odd
// lengths, short and over-long keys.
const KnownVector kVectors[] = {
    {"published", "Hello World! \xe4\xbd\xa0\xe5\xa5\xbd\xef\xbc\x8c\xe4\xb8\xad\xe5\x9b\xbd\xef\xbc\x81", "1234567890",
     "427701d42d2b1d0a19d5e4623cce1db19b518bda4dae9eecaaf5fbe9c157bebac81d72fa"},
    {"empty", "", "0123456789abcdef", "00000000"},
    {"one byte", "a", "0123456789abcdef", "5b218b7473eeecb6"},
    {"one word", "abcd", "0123456789abcdef", "4f899b071e20367b"},
    {"short key", "hello, world", "short", "1f4014072c070a45da4ac0b70796e60b"},
    {"long key uses 16 bytes", "return 1 + 2\n", "0123456789abcdefEXTRA", "3f1573273186a7a032f10be64d587a9ac27adfe5"},
    {"binary", fromHex("000102030405060708090a0b0c0d0e0f10111213141516"),
     std::string("\x01\x02\x03", 3), "99168f9681db7309da7e31e90c1f800e12f05e696b7baa0c8e27cbc3"},
};

TEST(Xxtea, KnownVectorsEncryptAndDecrypt) {
    for (const KnownVector& v : kVectors) {
        SCOPED_TRACE(v.name);
        EXPECT_EQ(toHex(encrypt(v.plain, v.key)), v.cipherHex);
        std::string plain;
        ASSERT_TRUE(decrypt(fromHex(v.cipherHex), v.key, plain));
        EXPECT_EQ(plain, v.plain);
    }
}

TEST(Xxtea, RoundTripsEveryLengthAroundWordBoundaries) {
    const std::string key = "0123456789abcdef";
    std::string data;
    for (int length = 0; length <= 40; ++length) {
        SCOPED_TRACE(length);
        const std::string cipher = encrypt(data, key);
        EXPECT_EQ(cipher.size(), 4 * ((data.size() + 3) / 4 + 1));
        std::string plain;
        ASSERT_TRUE(decrypt(cipher, key, plain));
        EXPECT_EQ(plain, data);
        data.push_back(static_cast<char>(length * 37 + 11));
    }
}

TEST(Xxtea, RejectsInputThatIsNotAValidCiphertext) {
    const std::string key = "0123456789abcdef";
    const std::string good = encrypt("print('hello from the game')", key);
    struct Case {
        const char* name;
        std::string cipher;
        std::string key;
    };
    const Case cases[] = {
        {"empty", "", key},
        {"cut by one word", good.substr(0, good.size() - 4), key},
        {"cut inside a word", good.substr(0, good.size() - 1), key},
        {"one byte added", good + "x", key},
        {"wrong key", good, "another key 1234"},
        // Deciphers to one data word and a length word of 9.
        {"length word too big", fromHex("fea34fc37290d005"), key},
        // Deciphers to two data words and a length word of 1: the block would
        // then carry more than three bytes of padding.
        {"length word too small", fromHex("09b6134fc2eb0d8a8199bd81"), key},
        // A lone word is its own length; 5 cannot fit in zero data bytes.
        {"lone word with a length", fromHex("05000000"), key},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string plain = "stale";
        EXPECT_FALSE(decrypt(c.cipher, c.key, plain));
        EXPECT_TRUE(plain.empty());
    }
}

} // namespace
