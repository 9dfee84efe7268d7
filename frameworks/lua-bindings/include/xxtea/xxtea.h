// XXTEA (corrected block TEA) in the layout the game's encrypted scripts use:
// the plaintext is split into little-endian 32-bit words, one more word with
// the plaintext's byte length is appended, and the whole block is enciphered
// with a 128-bit key. Pure computation; any thread.
#pragma once

#include <cstddef>
#include <vector>

namespace xxtea {

// Bytes of key material that take part; a shorter key is padded with zeros,
// the bytes after the 16th are ignored.
constexpr std::size_t kKeyBytes = 16;

// Ciphertext of data: 4 * (ceil(size / 4) + 1) bytes. Empty when size does not
// fit the 32-bit length word.
std::vector<unsigned char> encrypt(const void* data, std::size_t size, const void* key, std::size_t keyLength);

// Plaintext of a ciphertext made by encrypt. False (and plain cleared) when the
// input cannot be one: empty, not a whole number of words, or a length word
// that does not fit the block, which is what a wrong key or a cut file gives.
bool decrypt(const void* data, std::size_t size, const void* key, std::size_t keyLength,
             std::vector<unsigned char>& plain);

} // namespace xxtea
