// Thread affinity check for main-thread classes.
#include "base/CCThreadChecker.h"

#include "base/CCConsole.h"

#include <cstdio>
#include <cstdlib>

namespace cocos2d {

bool ThreadChecker::isOwnerThread() const {
    std::lock_guard<std::mutex> lock(_mutex);
    return !_bound || _owner == std::this_thread::get_id();
}

void ThreadChecker::check(const char* where) const {
    {
        std::lock_guard<std::mutex> lock(_mutex);
        if (!_bound) {
            _bound = true;
            _owner = std::this_thread::get_id();
            return;
        }
        if (_owner == std::this_thread::get_id()) return;
    }
    // A main-thread object used from a worker: state would race, stop here.
    // Also on stderr: the process is about to die, and stdout may be a pipe nobody reads.
    log("cocos2d: %s called off its owner thread", where ? where : "?");
    fprintf(stderr, "cocos2d: %s called off its owner thread\n", where ? where : "?");
    fflush(stderr);
    std::abort();
}

void ThreadChecker::detach() {
    std::lock_guard<std::mutex> lock(_mutex);
    _bound = false;
}

} // namespace cocos2d
