// The engine log sink: stdout, one fwrite + fflush per line, serialised so
// lines from different threads never interleave. A GUI program's stdout is a
// pipe under wine, which is block-buffered; the flush makes each line visible
// at once.
#include "base/CCConsole.h"

#include "base/LogTap.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

namespace cocos2d {
namespace {

std::mutex& writeMutex() {
    static std::mutex m;
    return m;
}

} // namespace

void log(const char* format, ...) {
    if (!format) return;
    // Room for the message, the added newline and the terminator.
    std::vector<char> buffer(static_cast<size_t>(kMaxLogLength) + 2);
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer.data(), static_cast<size_t>(kMaxLogLength) + 1, format, args);
    va_end(args);
    if (n < 0) n = 0;
    if (n > kMaxLogLength) n = kMaxLogLength; // truncated by vsnprintf
    const size_t len = static_cast<size_t>(n);

    // Outside every lock, so that a tap may log itself.
    tapLogLine(buffer.data(), len);

    buffer[len] = '\n';
    std::lock_guard<std::mutex> lock(writeMutex());
    fwrite(buffer.data(), 1, len + 1, stdout);
    fflush(stdout);
}

} // namespace cocos2d
