#include "update/engine/ResLog.h"

#include "proj.win32/Win32.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {
constexpr size_t kLineBufferBytes = 1024;
constexpr size_t kMaxTextChars = 1021;  // room for the line feed and the terminator
}  // namespace

void resLog(const char* format, ...) {
    char line[kLineBufferBytes];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, kMaxTextChars + 1, format, args);
    va_end(args);
    if (n < 0) line[0] = '\0';  // a formatting error gives a bare line feed
    const size_t length = std::strlen(line);
    line[length] = '\n';
    line[length + 1] = '\0';
    ::OutputDebugStringA(line);
}
