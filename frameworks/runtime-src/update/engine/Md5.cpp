#include "update/engine/Md5.h"

#include "update/engine/UpdatePaths.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr size_t kFileChunkBytes = 64 * 1024;  // bounded memory whatever the package size

constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

uint32_t rotl(uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

Md5::Md5() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void Md5::transform(const unsigned char block[64]) {
    uint32_t m[16];
    for (int i = 0; i < 16; ++i) {  // little-endian words, whatever the host order
        m[i] = static_cast<uint32_t>(block[i * 4]) | static_cast<uint32_t>(block[i * 4 + 1]) << 8 |
               static_cast<uint32_t>(block[i * 4 + 2]) << 16 | static_cast<uint32_t>(block[i * 4 + 3]) << 24;
    }
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const uint32_t next = b + rotl(a + f + kSine[i] + m[g], kShift[i]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void Md5::update(const void* bytes, size_t length) {
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    bitCount_ += static_cast<uint64_t>(length) * 8;
    while (length > 0) {
        const size_t take = std::min(length, sizeof buffer_ - buffered_);
        std::memcpy(buffer_ + buffered_, p, take);
        buffered_ += take;
        p += take;
        length -= take;
        if (buffered_ == sizeof buffer_) {
            transform(buffer_);
            buffered_ = 0;
        }
    }
}

std::string Md5::finalHex() {
    const uint64_t bits = bitCount_;
    const unsigned char pad = 0x80;
    update(&pad, 1);
    const unsigned char zero = 0;
    while (buffered_ != 56) update(&zero, 1);
    unsigned char length[8];
    for (int i = 0; i < 8; ++i) length[i] = static_cast<unsigned char>(bits >> (8 * i));
    update(length, 8);

    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(32);
    for (uint32_t word : state_) {
        for (int i = 0; i < 4; ++i) {
            const unsigned byte = (word >> (8 * i)) & 0xff;
            hex += kDigits[byte >> 4];
            hex += kDigits[byte & 0xf];
        }
    }
    return hex;
}

std::string md5Hex(const void* bytes, size_t length) {
    Md5 md5;
    md5.update(bytes, length);
    return md5.finalHex();
}

bool md5UpdateFromFile(const std::string& path, Md5* digest, int64_t* bytes) {
    *bytes = 0;
    std::unique_ptr<FILE, FileCloser> file(openFileUtf8(path, L"rb"));
    if (!file) return false;
    std::unique_ptr<unsigned char[]> chunk(new unsigned char[kFileChunkBytes]);
    for (;;) {
        const size_t n = std::fread(chunk.get(), 1, kFileChunkBytes, file.get());
        digest->update(chunk.get(), n);
        *bytes += static_cast<int64_t>(n);
        if (n < kFileChunkBytes) break;
    }
    return !std::ferror(file.get());
}

bool md5HexOfFile(const std::string& path, std::string* hex, int64_t* bytes) {
    Md5 md5;
    int64_t total = 0;
    if (!md5UpdateFromFile(path, &md5, &total)) return false;
    *hex = md5.finalHex();
    if (bytes) *bytes = total;
    return true;
}
