// The engine log sink: stdout, one fwrite + fflush per line, serialised so
// lines from different threads never interleave. A GUI program's stdout is a
// pipe under wine, which is block-buffered; the flush makes each line visible
// at once.
#include "base/CCConsole.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

namespace cocos2d {
namespace {

std::mutex& writeMutex() {
    static std::mutex m;
    return m;
}

std::mutex& hookMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<std::function<void(const std::string&)>>& hookSlot() {
    static std::shared_ptr<std::function<void(const std::string&)>> hook;
    return hook;
}

std::shared_ptr<std::function<void(const std::string&)>> currentHook() {
    std::lock_guard<std::mutex> lock(hookMutex());
    return hookSlot();
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

    // The hook runs outside every lock so it may log itself.
    if (auto hook = currentHook()) (*hook)(std::string(buffer.data(), len));

    buffer[len] = '\n';
    std::lock_guard<std::mutex> lock(writeMutex());
    fwrite(buffer.data(), 1, len + 1, stdout);
    fflush(stdout);
}

void setLogHook(std::function<void(const std::string&)> hook) {
    std::shared_ptr<std::function<void(const std::string&)>> next;
    if (hook) next = std::make_shared<std::function<void(const std::string&)>>(std::move(hook));
    std::lock_guard<std::mutex> lock(hookMutex());
    hookSlot() = std::move(next);
}

} // namespace cocos2d
