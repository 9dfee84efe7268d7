// Binds a main-thread object to the thread that created it. A call from any
// other thread is a programming error: it is logged and aborts in every
// build, so a misuse shows up at once instead of as a rare race.
#pragma once

#include <thread>

namespace simulator {

class ThreadBinding {
public:
    ThreadBinding() : _owner(std::this_thread::get_id()) {}

    // Aborts when called from a thread other than the creating one.
    void check(const char* where) const;

private:
    std::thread::id _owner;
};

} // namespace simulator
