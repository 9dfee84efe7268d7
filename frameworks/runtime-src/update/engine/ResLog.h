// The update engine's diagnostic lines, on the Windows debug output (not the
// engine log). Any thread.
#pragma once

// printf-style; the text is cut at 1021 characters and a line feed is added.
void resLog(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
