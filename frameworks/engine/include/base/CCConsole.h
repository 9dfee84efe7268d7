// The engine log: one formatted line per call on standard output. Any thread.
//
// It deliberately does not go to OutputDebugString, so tests can tell the
// engine log apart from the Windows debug output the host writes itself.
#pragma once

#include <string>

namespace cocos2d {

// Minimum size of the formatting buffer; longer messages are truncated to it.
constexpr int kMaxLogLength = 16 * 1024;

// printf-style; appends "\n", writes the line with one write and flushes at once.
void log(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

} // namespace cocos2d
