// The stored (scrambled) script key and sign, and the routine that builds them.
#include "ScriptKey.h"

#include <cstring>

namespace {

// Only the low byte of each word takes part.
constexpr int kMask[5] = {0x3A5C91E7, -0x1B2F4C6D, 0x7E14A2B9, 0x0C93D54F, -0x5A6B7C12};

constexpr char kStoredKey[ScriptKeyAndSign::kKeyBytes + 1] =
    "\x50\x1a\x71\xc0\x40\x2a\x14\x1c\xc4\x28\x6f\x01\x0d\x84\x62\x4a";
constexpr char kStoredSign[ScriptKeyAndSign::kSignBytes + 1] = "\x69\x36\x71\xc6\x5d\x6a";

constexpr unsigned char unscrambledByte(unsigned char stored, int index) {
    return static_cast<unsigned char>(~(stored ^ (kMask[index % 5] & 0xFF)));
}

// Every stored byte must be non-zero (the stored strings end at their NUL)
// and so must every unscrambled one (the lengths are measured up to a NUL).
constexpr bool fullLengthAfterUnscramble(const char* stored, int length) {
    for (int i = 0; i < length; ++i) {
        const unsigned char byte = static_cast<unsigned char>(stored[i]);
        if (byte == 0 || unscrambledByte(byte, i) == 0) return false;
    }
    return stored[length] == '\0';
}

static_assert(fullLengthAfterUnscramble(kStoredKey, ScriptKeyAndSign::kKeyBytes),
              "the script key must unscramble to 16 non-zero bytes");
static_assert(fullLengthAfterUnscramble(kStoredSign, ScriptKeyAndSign::kSignBytes),
              "the script sign must unscramble to 6 non-zero bytes");

// Plain memset of a buffer about to die may be dropped by the optimiser.
void wipe(char* buffer, std::size_t size) {
    volatile char* bytes = buffer;
    for (std::size_t i = 0; i < size; ++i) bytes[i] = 0;
}

// Copies stored up to its NUL or capacity bytes; the rest of out is zero.
void copyStored(char* out, std::size_t capacity, const char* stored) {
    std::memset(out, 0, capacity + 1);
    for (std::size_t i = 0; i < capacity && stored[i] != '\0'; ++i) out[i] = stored[i];
}

} // namespace

void unscrambleInPlace(char* buffer, const int mask[5]) {
    if (buffer == nullptr) return;
    const std::size_t length = std::strlen(buffer);
    auto* bytes = reinterpret_cast<unsigned char*>(buffer);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<unsigned char>(~(bytes[i] ^ (mask[i % 5] & 0xFF)));
    }
}

ScriptKeyAndSign::ScriptKeyAndSign() : ScriptKeyAndSign(ScriptKeyMaterial{kStoredKey, kStoredSign, kMask}) {}

ScriptKeyAndSign::ScriptKeyAndSign(const ScriptKeyMaterial& material) {
    copyStored(_key, kKeyBytes, material.storedKey);
    unscrambleInPlace(_key, material.mask);
    copyStored(_sign, kSignBytes, material.storedSign);
    unscrambleInPlace(_sign, material.mask);
}

ScriptKeyAndSign::~ScriptKeyAndSign() {
    wipe(_key, sizeof _key);
    wipe(_sign, sizeof _sign);
}

int ScriptKeyAndSign::keyLength() const { return static_cast<int>(std::strlen(_key)); }

int ScriptKeyAndSign::signLength() const { return static_cast<int>(std::strlen(_sign)); }
