// One TLS handshake with the patch server, on its own thread, while the window
// and the update scene are built; libcurl is initialised here, once, on the
// main thread, before any other thread uses it.
#pragma once

#include <atomic>
#include <string>

// 0 not started (or the thread could not start), 1 running, 2 ended whatever
// the outcome. Every write is an atomic exchange.
std::atomic<int>& tlsWarmupState();

// True exactly while the warm-up thread runs.
bool isTlsWarmupRunning();

// Main thread, once, from the host start-up.
void startTlsWarmup();

// The https URL of the patch server's root.
std::string patchServerRoot();

struct TlsWarmupArgs {
    long mainInitMs;
};

// The warm-up thread's body.
void runTlsWarmup(const TlsWarmupArgs& args);
