// MD5 digest (RFC 1321) as 32 upper-case hexadecimal digits. Any thread; a
// Md5 object belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Md5 {
public:
    Md5();
    void update(const void* bytes, size_t length);
    // Ends the digest; the object must not be updated afterwards.
    std::string finalHex();

private:
    void transform(const unsigned char block[64]);

    uint32_t state_[4];
    uint64_t bitCount_ = 0;
    unsigned char buffer_[64];
    size_t buffered_ = 0;
};

// Digest of a byte range; each byte formatted "%02X".
std::string md5Hex(const void* bytes, size_t length);

// Feeds the whole file (UTF-8 path) into digest through a fixed buffer. False
// when it cannot be opened or read; *bytes gets the count fed in either case.
bool md5UpdateFromFile(const std::string& path, Md5* digest, int64_t* bytes);

// Streams the file (UTF-8 path) through a fixed buffer. False when it cannot
// be opened or read; *bytes gets its size.
bool md5HexOfFile(const std::string& path, std::string* hex, int64_t* bytes = nullptr);
