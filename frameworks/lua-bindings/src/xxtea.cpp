// XXTEA over byte strings. The byte <-> word conversion is spelled out with
// shifts so the result is the same on any host byte order (the encrypt tool
// runs on the build machine, the decryptor in the game).
#include "xxtea/xxtea.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace xxtea {
namespace {

constexpr std::uint32_t kDelta = 0x9e3779b9u;

using Words = std::vector<std::uint32_t>;

std::uint32_t mix(std::uint32_t y, std::uint32_t z, std::uint32_t sum, const std::uint32_t k[4], std::size_t p,
                  std::uint32_t e) {
    return (((z >> 5) ^ (y << 2)) + ((y >> 3) ^ (z << 4))) ^ ((sum ^ y) + (k[(p & 3) ^ e] ^ z));
}

std::uint32_t rounds(std::size_t n) { return static_cast<std::uint32_t>(6 + 52 / n); }

// Blocks of fewer than two words are left as they are (the cipher needs a neighbour).
void encipher(Words& v, const std::uint32_t k[4]) {
    const std::size_t n = v.size();
    if (n < 2) return;
    std::uint32_t sum = 0;
    std::uint32_t z = v[n - 1];
    for (std::uint32_t q = rounds(n); q > 0; --q) {
        sum += kDelta;
        const std::uint32_t e = (sum >> 2) & 3;
        std::size_t p = 0;
        for (; p < n - 1; ++p) {
            const std::uint32_t y = v[p + 1];
            z = v[p] += mix(y, z, sum, k, p, e);
        }
        const std::uint32_t y = v[0];
        z = v[n - 1] += mix(y, z, sum, k, p, e);
    }
}

void decipher(Words& v, const std::uint32_t k[4]) {
    const std::size_t n = v.size();
    if (n < 2) return;
    const std::uint32_t q = rounds(n);
    std::uint32_t sum = q * kDelta;
    std::uint32_t y = v[0];
    for (std::uint32_t r = q; r > 0; --r) {
        const std::uint32_t e = (sum >> 2) & 3;
        std::size_t p = n - 1;
        for (; p > 0; --p) {
            const std::uint32_t z = v[p - 1];
            y = v[p] -= mix(y, z, sum, k, p, e);
        }
        const std::uint32_t z = v[n - 1];
        y = v[0] -= mix(y, z, sum, k, p, e);
        sum -= kDelta;
    }
}

Words toWords(const unsigned char* bytes, std::size_t size) {
    Words words((size + 3) / 4, 0);
    for (std::size_t i = 0; i < size; ++i) {
        words[i / 4] |= static_cast<std::uint32_t>(bytes[i]) << (8 * (i % 4));
    }
    return words;
}

// Key material is overwritten before its memory is given back. A plain
// memset of a buffer about to die may be dropped by the optimiser.
void wipe(void* buffer, std::size_t size) {
    volatile unsigned char* bytes = static_cast<volatile unsigned char*>(buffer);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = 0;
}

// The key as four words, built in place: no heap copy of it is made.
void keyWords(const void* key, std::size_t keyLength, std::uint32_t out[4]) {
    const std::size_t length = key != nullptr ? (keyLength < kKeyBytes ? keyLength : kKeyBytes) : 0;
    const auto* bytes = static_cast<const unsigned char*>(key);
    for (int i = 0; i < 4; ++i) out[i] = 0;
    for (std::size_t i = 0; i < length; ++i) out[i / 4] |= static_cast<std::uint32_t>(bytes[i]) << (8 * (i % 4));
}

void appendBytes(const Words& words, std::size_t count, std::vector<unsigned char>& out) {
    out.reserve(out.size() + count);
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(static_cast<unsigned char>(words[i / 4] >> (8 * (i % 4))));
    }
}

} // namespace

std::vector<unsigned char> encrypt(const void* data, std::size_t size, const void* key, std::size_t keyLength) {
    std::vector<unsigned char> out;
    if (size > std::numeric_limits<std::uint32_t>::max()) return out;
    if (data == nullptr && size != 0) return out;
    Words v = toWords(static_cast<const unsigned char*>(data), size);
    v.push_back(static_cast<std::uint32_t>(size));
    std::uint32_t k[4];
    keyWords(key, keyLength, k);
    encipher(v, k);
    wipe(k, sizeof k);
    appendBytes(v, v.size() * 4, out);
    return out;
}

bool decrypt(const void* data, std::size_t size, const void* key, std::size_t keyLength,
             std::vector<unsigned char>& plain) {
    plain.clear();
    // A ciphertext is always whole words; anything else was cut or padded on the way.
    if (data == nullptr || size == 0 || size % 4 != 0) return false;
    Words v = toWords(static_cast<const unsigned char*>(data), size);
    std::uint32_t k[4];
    keyWords(key, keyLength, k);
    decipher(v, k);
    wipe(k, sizeof k);
    // The last word is the plaintext length; it must end inside the last data word.
    const std::size_t dataBytes = (v.size() - 1) * 4;
    const std::size_t length = v.back();
    if (length > dataBytes || length + 3 < dataBytes) return false;
    appendBytes(v, length, plain);
    return true;
}

} // namespace xxtea
