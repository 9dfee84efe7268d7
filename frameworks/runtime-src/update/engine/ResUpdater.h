// The update engine: reads the shipped and local serial records, fetches the
// resource list, downloads the newer packages on up to 8 worker threads and
// unpacks them, strictly in list order, on one unpacking thread.
//
// Threads: constructed, started and destroyed on the main thread; every
// delegate call is made on the main thread (worker reports are posted through
// the scheduler's perform-in-main-thread queue, each guarded by a weak
// reference to the alive token, and do nothing once the engine is gone).
//
// Lifetime: the delegate owns the engine and may delete it inside onNoUpdate,
// onUpdateFinished and onError; the engine touches nothing of itself after
// making one of those reports. The state the worker threads touch is owned
// jointly by the engine and the workers (UpdateRun), so a worker that outlives
// the destructor's bounded wait never reaches freed memory.
//
// Shutdown order of the destructor: 1. set cancelled and wake the unpacking
// thread; 2. wait for the unpacking thread while dispatching the messages other
// threads send to the main thread, then join it; 3. wait (bounded) for the
// download workers; 4. release the members, which expires the alive token.
#pragma once

#include "base/CCThreadChecker.h"
#include "update/engine/FileEntry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class ResUpdaterDelegate;
class UpdateTransport;
struct ListAnswer;
struct UpdateRun;

class ResUpdater {
public:
    // Does no input or output. The list and the packages go through the
    // engine's HttpClient and libcurl.
    ResUpdater(ResUpdaterDelegate* delegate, const std::string& resUrl);
    // The same with another transport (tests).
    ResUpdater(ResUpdaterDelegate* delegate, const std::string& resUrl, std::shared_ptr<UpdateTransport> transport);
    ~ResUpdater();

    ResUpdater(const ResUpdater&) = delete;
    ResUpdater& operator=(const ResUpdater&) = delete;

    // Once, right after construction. May report onNoUpdate (and so be
    // deleted) before it returns.
    void start();

    // Read by tests and diagnostics.
    const std::string& getBaseUrl() const { return baseUrl; }
    const std::string& getListFileName() const { return listFileName; }

private:
    void requestResList();
    void onResListResponse(const std::string& url, const ListAnswer& answer);
    void startDownloads();
    void postProgress();

    ResUpdaterDelegate* delegate;
    int connectTimeout = 0;  // nothing sets it: libcurl's default applies
    std::string baseUrl;
    std::string listFileName;
    std::string sign;
    int shippedSerial = 0;
    int localSerial = 0;  // copied into the run when the downloads start
    int remoteSerial = 0;
    std::vector<FileEntry> files;
    int64_t totalBytes = 0;

    std::shared_ptr<UpdateTransport> transport;
    std::shared_ptr<int> aliveToken;
    std::shared_ptr<UpdateRun> run;  // made by startDownloads; shared with the threads
    std::thread unzipThread;
    cocos2d::ThreadChecker mainThread;
};
