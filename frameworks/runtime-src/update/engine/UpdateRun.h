// The state of one update run that the main thread, the download workers and
// the unpacking thread share. Owned jointly (std::shared_ptr): the engine
// holds it, every thread holds it, and every task posted to the main thread
// holds it, so nothing a detached worker can still touch is ever freed under
// it. Whether a posted task may reach the delegate is decided by the engine's
// alive token, not by this object's lifetime.
//
// Threads: the fields under "fixed" are written on the main thread before any
// thread starts and only read afterwards; those under "guarded" are read and
// written with `mutex` held; the delegate is called on the main thread only.
//
// Package states (fileStates): 0 pending -> 1 downloading -> 2 downloaded and
// verified -> 3 unpacked. Only the package at nextUnzip goes from 2 to 3, so
// the unpacked packages always form a prefix of the list.
#pragma once

#include "update/engine/FileEntry.h"
#include "update/engine/UpdateTransport.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class ResUpdaterDelegate;
namespace cocos2d {
class Scheduler;
}

struct UpdateRun : std::enable_shared_from_this<UpdateRun> {
    // fixed
    ResUpdaterDelegate* delegate = nullptr;
    cocos2d::Scheduler* scheduler = nullptr;  // taken on the main thread
    std::weak_ptr<int> aliveToken;
    std::shared_ptr<UpdateTransport> transport;
    std::vector<FileEntry> files;
    std::string baseUrl;
    std::string sign;
    int connectTimeout = 0;
    int64_t totalBytes = 0;
    std::string resourcesDir;
    std::string downloadsDir;

    // guarded
    std::mutex mutex;
    int nextDownload = 0;
    int nextUnzip = 0;
    int activeWorkers = 0;
    bool cancelled = false;
    bool finished = false;
    std::vector<int32_t> fileStates;
    std::vector<int64_t> downloadedBytes;
    std::vector<int64_t> resumeBase;
    int64_t unzippedBytes = 0;
    int localSerial = 0;
    int zipEntriesDone = 0;
    int zipEntriesTotal = 0;
    std::condition_variable unzipCondition;

    // At most one progress task waits in the main thread's queue; it reads the
    // live counters when it runs, so the delegate sees the same states.
    std::atomic<bool> progressQueued{false};
    // A manual-reset event the unpacking thread sets as its very last step.
    struct EventCloser {
        void operator()(void* event) const;
    };
    std::unique_ptr<void, EventCloser> unzipEnded;

    bool isCancelled();
    // First failure wins: sets cancelled, wakes the unpacking thread and posts
    // the one error report. Any thread.
    void fail(int eid, const std::string& msg);
    // Transfer progress of package i (bytes of its current transfer).
    void onFileProgress(int i, int64_t received);
    // Posts a progress report unless one is already queued. Any thread.
    void queueProgress();
    void postFinish();
    // The two progress reports; main thread.
    void reportProgress();

private:
    void post(std::function<void()> action);
};

// Thread bodies; each holds the run for as long as it runs.
void downloadWorker(std::shared_ptr<UpdateRun> run);
void unzipWorker(std::shared_ptr<UpdateRun> run);
