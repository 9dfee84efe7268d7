// What the update engine asks of the network: the resource list (one request,
// answered on the main thread) and package transfers (blocking, on a download
// worker's thread). The engine's own transport uses the engine's HttpClient
// for the list and libcurl's easy interface for packages; tests give fakes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

struct CaBundle;
class Md5;

// The list answer as the engine's HttpClient reports it.
struct ListAnswer {
    bool succeed = false;   // transfer done and HTTP status 2xx
    long code = -1;         // HTTP status; -1 when the transfer failed
    std::string errorBuffer;
    std::string body;
};

// What one download worker keeps between its transfers (the engine's
// transport: a libcurl handle with its open connections). Owned by the worker
// and released before its thread ends.
class TransferSession {
public:
    virtual ~TransferSession() = default;
};

// One package transfer, appended to an open file.
struct PackageFetch {
    TransferSession* session = nullptr;  // the worker's, from openSession (may be null)
    std::string url;
    const CaBundle* ca = nullptr;  // null: libcurl's own CA settings; else as applyCaBundle gives it
    int connectTimeoutSec = 0;     // 0: libcurl's default
    int64_t resumeFrom = 0;        // > 0: a range request from this byte
    FILE* file = nullptr;          // the body goes here, through fwrite
    Md5* digest = nullptr;         // when set, every byte fwrite accepted is also fed in, in order
    // Called with the bytes received by this transfer so far; true aborts it.
    std::function<bool(int64_t received)> onProgress;
};

struct FetchOutcome {
    int curlCode = 0;     // libcurl's CURLcode: 0 done, 22 HTTP error, 33 range, 42 aborted
    long httpStatus = 0;  // 0 when there was no answer
    int64_t written = 0;  // bytes fwrite accepted during this transfer
};

class UpdateTransport {
public:
    virtual ~UpdateTransport() = default;
    // Main thread. onAnswer runs later, on the main thread, exactly once.
    virtual void requestList(const std::string& url, std::function<void(const ListAnswer&)> onAnswer) = 0;
    // On a download worker's thread, once, before its first transfer.
    virtual std::unique_ptr<TransferSession> openSession() { return nullptr; }
    // Any thread; blocks until the transfer ends.
    virtual FetchOutcome fetchPackage(const PackageFetch& fetch) = 0;
};

// The engine's HttpClient for the list, libcurl for the packages.
std::shared_ptr<UpdateTransport> makeEngineTransport();
