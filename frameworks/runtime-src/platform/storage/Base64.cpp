#include "platform/storage/Base64.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The 6-bit value of an alphabet character, or -1.
int sextet(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool isSkippedSpace(char c) { return c == '\r' || c == '\n' || c == ' ' || c == '\t'; }

}  // namespace

std::string base64Encode(const unsigned char* data, size_t n) {
    std::string out;
    if (n == 0) return out;
    out.reserve((n + 2) / 3 * 4);
    for (size_t i = 0; i < n; i += 3) {
        const size_t groupSize = n - i < 3 ? n - i : 3;
        unsigned long value = static_cast<unsigned long>(data[i]) << 16;
        if (groupSize > 1) value |= static_cast<unsigned long>(data[i + 1]) << 8;
        if (groupSize > 2) value |= data[i + 2];
        out += kAlphabet[(value >> 18) & 63];
        out += kAlphabet[(value >> 12) & 63];
        out += groupSize > 1 ? kAlphabet[(value >> 6) & 63] : '=';
        out += groupSize > 2 ? kAlphabet[value & 63] : '=';
    }
    return out;
}

bool base64Decode(const std::string& text, std::vector<unsigned char>& out) {
    out.clear();
    unsigned long pending = 0;  // never holds more than 14 bits
    int pendingBits = 0;
    for (const char c : text) {
        if (c == '=') return true;
        if (isSkippedSpace(c)) continue;
        const int bits = sextet(static_cast<unsigned char>(c));
        if (bits < 0) {
            out.clear();
            return false;
        }
        pending = (pending << 6) | static_cast<unsigned long>(bits);
        pendingBits += 6;
        if (pendingBits >= 8) {
            pendingBits -= 8;
            out.push_back(static_cast<unsigned char>((pending >> pendingBits) & 0xFF));
            pending &= (1UL << pendingBits) - 1;
        }
    }
    return true;
}
