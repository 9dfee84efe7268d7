#include "platform/login/Nonce.h"

#include "proj.win32/Win32.h"

#include <bcrypt.h>

#include <cstdio>

std::string makeNonce() {
    unsigned char bytes[8] = {};
    if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return std::string();
    char text[2 * sizeof bytes + 1] = {};
    for (size_t i = 0; i < sizeof bytes; ++i) std::snprintf(text + 2 * i, 3, "%02x", static_cast<unsigned>(bytes[i]));
    return text;
}
