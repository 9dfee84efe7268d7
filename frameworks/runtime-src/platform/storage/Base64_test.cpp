// Base64 in both directions: the RFC 4648 vectors, binary bytes, and the
// decoder's rules for layout characters, padding and foreign characters.
#include "platform/storage/Base64.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<unsigned char> bytes(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }

std::string encode(const std::string& s) {
    return base64Encode(reinterpret_cast<const unsigned char*>(s.data()), s.size());
}

struct Vector {
    std::string plain;
    std::string encoded;
};

const Vector kVectors[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
    {std::string("\0\0\0", 3), "AAAA"},
    {std::string("a\0b", 3), "YQBi"},
    {"\xff\xfe\xfd\xfc", "//79/A=="},
    {"\xfb\xef\xbe", "++++"},
};

TEST(Base64, EncodesAndDecodesKnownVectors) {
    for (const Vector& v : kVectors) {
        SCOPED_TRACE(v.encoded);
        EXPECT_EQ(v.encoded, encode(v.plain));
        std::vector<unsigned char> out{'x'};
        ASSERT_TRUE(base64Decode(v.encoded, out));
        EXPECT_EQ(bytes(v.plain), out);
    }
}

TEST(Base64, EveryLengthAndByteValueRoundTrips) {
    std::string plain;
    for (int length = 0; length < 300; ++length) {
        const std::string encoded = encode(plain);
        ASSERT_EQ((plain.size() + 2) / 3 * 4, encoded.size());
        ASSERT_EQ(std::string::npos, encoded.find_first_of("\r\n "));
        std::vector<unsigned char> out;
        ASSERT_TRUE(base64Decode(encoded, out));
        ASSERT_EQ(bytes(plain), out) << "length " << length;
        plain += static_cast<char>((length * 97 + 13) & 0xFF);
    }
}

TEST(Base64, DecodingSkipsLayoutStopsAtPaddingAndRefusesForeignCharacters) {
    struct Case {
        std::string text;
        bool ok;
        std::string plain;
    };
    const Case cases[] = {
        {"Zm9v\r\nYmFy", true, "foobar"},
        {" Zm 9v\tYm\nFy\r", true, "foobar"},
        {"Zm8=garbage that is not base64 *!", true, "fo"},
        {"Zm9vYg==Zm9v", true, "foob"},
        {"=Zm9v", true, ""},
        {"Zm9", true, "fo"},  // 18 bits: the last 2 are dropped
        {"Z", true, ""},      // 6 bits make no byte
        {"\r\n\t ", true, ""},
        {"Zm9v*", false, ""},
        {"Zm-v", false, ""},   // URL-safe alphabet is not accepted
        {"Zm_v", false, ""},
        {std::string("Zm\0v", 4), false, ""},
        {"Zm9v\v", false, ""},  // vertical tab is not one of the skipped characters
        {"Zm9v\xc3\xa0", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<unsigned char> out{'x'};
        EXPECT_EQ(c.ok, base64Decode(c.text, out));
        if (c.ok) {
            EXPECT_EQ(bytes(c.plain), out);
        }
    }
}

}  // namespace
