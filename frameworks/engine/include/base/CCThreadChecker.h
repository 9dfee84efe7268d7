// Binds an object to the thread that first uses it and checks later calls.
//
// Main-thread classes (scheduler, director, views) hold one and call check()
// at the top of every public method; a call from another thread is a
// programming error, so it logs the method and aborts in every build.
#pragma once

#include <mutex>
#include <thread>

namespace cocos2d {

class ThreadChecker {
public:
    // Binds to the calling thread on first use; aborts when called from another.
    void check(const char* where) const;
    // True when the calling thread is (or, while unbound, would become) the owner.
    bool isOwnerThread() const;
    // Forgets the owner, so the next check() binds again.
    void detach();

private:
    mutable std::mutex _mutex;
    mutable bool _bound = false;
    mutable std::thread::id _owner;
};

} // namespace cocos2d
