// The test programs' log tap: hands each engine-log line to the hook a test set.
#include "LogHook.h"

#include "base/LogTap.h"

#include <memory>
#include <mutex>

namespace cocos2d {
namespace {

using Hook = std::function<void(const std::string&)>;

std::mutex& hookMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<Hook>& hookSlot() {
    static std::shared_ptr<Hook> hook;
    return hook;
}

std::shared_ptr<Hook> currentHook() {
    std::lock_guard<std::mutex> lock(hookMutex());
    return hookSlot();
}

} // namespace

void tapLogLine(const char* text, std::size_t length) {
    // The hook runs outside the lock so it may log itself.
    if (auto hook = currentHook()) (*hook)(std::string(text, length));
}

void setLogHook(Hook hook) {
    std::shared_ptr<Hook> next;
    if (hook) next = std::make_shared<Hook>(std::move(hook));
    std::lock_guard<std::mutex> lock(hookMutex());
    hookSlot() = std::move(next);
}

} // namespace cocos2d
