#include "proj.win32/TlsWarmup.h"

#include "base/DetachedThread.h"
#include "proj.win32/CaBundle.h"
#include "proj.win32/Win32.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#ifndef PATCH_SERVER_HOST
#error "PATCH_SERVER_HOST must be defined by the build"
#endif

namespace {

constexpr long kConnectTimeoutSec = 3;  // the handshake must not outlive the update's wait
constexpr long kTotalTimeoutSec = 5;

using Clock = std::chrono::steady_clock;

long millisecondsSince(Clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count() /
                             1000000);
}

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

}  // namespace

std::atomic<int>& tlsWarmupState() {
    static std::atomic<int> state{0};
    return state;
}

bool isTlsWarmupRunning() { return tlsWarmupState().load() == 1; }

std::string patchServerRoot() { return std::string("https://") + PATCH_SERVER_HOST + "/"; }

void runTlsWarmup(const TlsWarmupArgs& args) {
    const Clock::time_point start = Clock::now();
    CURLcode code = CURLE_FAILED_INIT;
    const std::string url = patchServerRoot();
    // Shared with the update and the logins; read here on first use, off the main thread.
    const CaBundle& bundle = sharedCaBundle();
    if (std::unique_ptr<CURL, CurlEasyDeleter> handle{curl_easy_init()}) {
        curl_easy_setopt(handle.get(), CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle.get(), CURLOPT_CONNECT_ONLY, 1L);
        curl_easy_setopt(handle.get(), CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSec);
        curl_easy_setopt(handle.get(), CURLOPT_TIMEOUT, kTotalTimeoutSec);
        curl_easy_setopt(handle.get(), CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(handle.get(), CURLOPT_SSL_VERIFYPEER, 1L);
        applyCaBundle(handle.get(), bundle);
        code = curl_easy_perform(handle.get());
    }
    tlsWarmupState().exchange(2);
    const long ms = millisecondsSince(start);

    char line[224];
    std::snprintf(line, sizeof line,
                  "[ZAVU] TLS warm-up " PATCH_SERVER_HOST ": %ld ms (curl_global_init %ld ms tren main), CURLcode=%d%s\n",
                  ms, args.mainInitMs, static_cast<int>(code), bundle.isEmpty() ? " (khong thay cacert.pem)" : "");
    ::OutputDebugStringA(line);
}

void startTlsWarmup() {
    const Clock::time_point start = Clock::now();
    const CURLcode rc = curl_global_init(CURL_GLOBAL_ALL);
    const long initMs = millisecondsSince(start);
    if (rc != CURLE_OK) {
        char line[160];
        std::snprintf(line, sizeof line, "[ZAVU] TLS warm-up: curl_global_init loi %d (%ld ms) - bo qua\n",
                      static_cast<int>(rc), initMs);
        ::OutputDebugStringA(line);
        return;
    }

    tlsWarmupState().exchange(1);
    try {
        auto args = std::make_unique<TlsWarmupArgs>(TlsWarmupArgs{initMs});
        cocos2d::startDetachedThread([owned = std::move(args)] { runTlsWarmup(*owned); });
    } catch (...) {  // std::system_error from the thread: the start-up goes on without the warm-up
        tlsWarmupState().exchange(0);
        ::OutputDebugStringA("[ZAVU] TLS warm-up: khong tao duoc luong - bo qua\n");
    }
}
