#include "proj.win32/ScriptKey.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using testing_support::fromHex;
using testing_support::toHex;

namespace {

// Only the low byte of each word takes part; the high bits are noise.
const int kMask[5] = {0x7700AA12, -0x100000CC, 0x00000000, 0x7FFFFF5A, -0x00000080};
// Low bytes: 12 34 00 5a 80.

TEST(UnscrambleInPlace, TurnsEachByteIntoTheNotOfItsXorWithTheMask) {
    struct Case {
        const char* name;
        const char* inHex;
        const char* outHex;
    };
    const Case cases[] = {
        {"empty string is left alone", "", ""},
        {"one byte per mask word", "4142434445", "ac89bce13a"},
        {"sixth byte wraps to mask[0]", "414243444546", "ac89bce13aab"},
        // ~(0xED ^ 0x12) == 0: the first byte becomes NUL, the rest still change.
        {"byte that becomes zero", "ed42", "0089"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string buffer = fromHex(c.inHex);
        buffer.push_back('\0');
        buffer.push_back('Z');  // past the NUL: must stay untouched
        unscrambleInPlace(&buffer[0], kMask);
        EXPECT_EQ(toHex(buffer.substr(0, buffer.size() - 2)), c.outHex);
        EXPECT_EQ(buffer[buffer.size() - 2], '\0');
        EXPECT_EQ(buffer.back(), 'Z');
    }
}

TEST(UnscrambleInPlace, AByteThatBecomesZeroShortensTheMeasuredString) {
    // Byte 2 meets mask low byte 0x00: ~(0xff ^ 0x00) == 0. Byte 3 is still
    // changed, because the length was measured before anything changed.
    char buffer[] = {0x41, 0x42, static_cast<char>(0xff), 0x44, '\0'};
    unscrambleInPlace(buffer, kMask);
    EXPECT_EQ(std::strlen(buffer), 2u);
    EXPECT_EQ(static_cast<unsigned char>(buffer[3]), 0xe1);  // ~(0x44 ^ 0x5a)
}

TEST(UnscrambleInPlace, NullBufferIsIgnored) { unscrambleInPlace(nullptr, kMask); }

TEST(ScriptKeyAndSign, BuildsA16ByteKeyAndA6ByteSign) {
    const ScriptKeyAndSign pair;
    EXPECT_EQ(pair.keyLength(), 16);
    EXPECT_EQ(pair.signLength(), 6);
    // Two builds give the same pair (both install places must agree).
    const ScriptKeyAndSign again;
    EXPECT_EQ(std::string(pair.key()), std::string(again.key()));
    EXPECT_EQ(std::string(pair.sign()), std::string(again.sign()));
}

// The game's material has no byte that unscrambles to NUL, so only other
// material shows the lengths are measured and not fixed.
TEST(ScriptKeyAndSign, LengthsEndAtTheFirstByteThatUnscramblesToNul) {
    struct Case {
        const char* name;
        std::string storedKeyHex, storedSignHex;
        int keyLength, signLength;
        const char* keyHex;  // the unscrambled key up to its length
    };
    // Mask low bytes 12 34 00 5a 80: 0xED unscrambles to NUL at index 0 or 5.
    const Case cases[] = {
        {"full length", std::string(32, 'a'), "616161616161", 16, 6, nullptr},
        {"key ends at byte 5", "41414141" "41" "ed" "41414141414141414141", "ed4141414141", 5, 0, "ac8abee43e"},
        {"short stored strings", "4141", "4141", 2, 2, "ac8a"},
        {"stored longer than the buffers", std::string(40, 'a'), std::string(20, 'a'), 16, 6, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string key = fromHex(c.storedKeyHex);
        const std::string sign = fromHex(c.storedSignHex);
        const ScriptKeyAndSign pair(ScriptKeyMaterial{key.c_str(), sign.c_str(), kMask});
        EXPECT_EQ(pair.keyLength(), c.keyLength);
        EXPECT_EQ(pair.signLength(), c.signLength);
        if (c.keyHex != nullptr) {
            EXPECT_EQ(toHex(std::string(pair.key(), pair.keyLength())), c.keyHex);
        }
    }
}

} // namespace
