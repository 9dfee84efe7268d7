#include "platform/Nonce.h"

#include "proj.win32/Win32.h"

#include <cstdint>
#include <cstdio>

namespace {
uint32_t nonceCounter = 0;
}

std::string makeNonce() {
    ++nonceCounter;
    char text[17] = {};
    std::snprintf(text, sizeof text, "%08lx%08lx", static_cast<unsigned long>(::GetTickCount()),
                  static_cast<unsigned long>(nonceCounter));
    return text;
}
