// HTTP(S) on libcurl's easy interface. The settings and send calls belong to
// the main thread; transfers run on worker threads; every response callback
// runs on the main thread, once per request, through the Director's
// scheduler (performFunctionInCocosThread), so it arrives at the end of a
// later frame's scheduler tick.
//
// sendImmediate(): one new worker thread per request. send(): one shared
// worker runs the queued requests one at a time, in order.
//
// Per transfer: connect time-out (default 30 s), whole-transfer time-out
// (default 60 s), no signals, every encoding curl can decode, redirects
// followed for GET and DELETE only. Without a CA the peer and host name are
// not verified; with a CA file or a bundle's bytes, both are, against it.
// A request may cap its body (HttpRequest::setMaxResponseBytes).
//
// The host must have called curl_global_init before the first send; the
// client never calls it (it is not safe while other threads are in curl).
#pragma once

#include "base/CCThreadChecker.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

namespace cocos2d {
namespace network {

class HttpRequest;
class HttpResponse;

class HttpClient {
public:
    // Lives until the process ends (workers may still hold it).
    static HttpClient* getInstance();

    // Retains the request until its callback has run. A null request is ignored.
    void send(HttpRequest* request);
    void sendImmediate(HttpRequest* request);

    // Seconds; values below 1 are ignored. Apply to transfers started afterwards.
    void setTimeoutForConnect(int value);
    int getTimeoutForConnect();
    void setTimeoutForRead(int value);
    int getTimeoutForRead();
    // "" (the default): no verification. Otherwise the peer and the host name
    // are verified against this CA file (opened by libcurl through its ANSI path).
    void setSSLVerification(const std::string& caFile);
    const std::string getSSLVerification();
    // The peer and the host name verified against a CA bundle given as its
    // bytes (CURLOPT_CAINFO_BLOB), for a bundle that no ANSI path can name; an
    // empty pem verifies against libcurl's own CA store. Replaces the CA file
    // (getSSLVerification then gives ""), as setSSLVerification replaces this.
    void setSSLVerificationBundle(const std::string& pem);
    // Cookie file used for reading and writing; "" for none.
    void enableCookies(const char* cookieFile);
    const std::string getCookieFilename();

    struct Settings {
        int connectTimeoutSec;
        int readTimeoutSec;
        bool verifyPeer;  // peer and host name
        std::string caFile;
        // The bundle's bytes when no caFile is given (shared: never copied per request).
        std::shared_ptr<const std::string> caPem;
        std::string cookieFile;
    };

private:
    HttpClient();
    ~HttpClient() = default;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    Settings snapshotSettings();
    void startQueueWorkerLocked();
    void runQueue();

    ThreadChecker _thread;
    std::mutex _settingsMutex;
    Settings _settings;

    std::mutex _queueMutex;
    std::condition_variable _queueReady;
    struct Job {
        HttpRequest* request;
        HttpResponse* response;
        Settings settings;
    };
    std::deque<Job> _queue;
    bool _queueWorkerRunning = false;
};

} // namespace network
} // namespace cocos2d
