// A thread that nobody joins: the download workers, the HTTP transfers, the
// TLS warm-up.
//
// std::thread(f).detach() is not safe with this toolchain's thread library
// (winpthreads of mingw-w64 10): when the thread has already ended by the
// time it is detached, its thread record is freed while the ending thread
// still touches it, and a thread created meanwhile can be started with no
// argument (a crash at its first instruction) or fail its join later (ESRCH,
// which std::thread turns into an exception, so std::terminate). The thread
// started here waits until it has been detached before it runs its body.
#pragma once

#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace cocos2d {

// Runs body() on a new thread of its own (body may be move-only). Throws
// std::system_error when no thread can be made, as std::thread does; body
// then never runs.
template <typename Body>
void startDetachedThread(Body body) {
    // Held here until detach() has returned; the new thread takes it before
    // it does anything else.
    auto detached = std::make_shared<std::mutex>();
    std::unique_lock<std::mutex> held(*detached);
    std::thread thread([detached, body = std::move(body)]() mutable {
        { std::lock_guard<std::mutex> wait(*detached); }
        body();
    });
    thread.detach();
}

} // namespace cocos2d
