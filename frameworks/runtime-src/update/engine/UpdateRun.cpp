#include "update/engine/UpdateRun.h"

#include "cocos2d.h"
#include "proj.win32/Win32.h"
#include "update/engine/ResUpdaterDelegate.h"

#include <algorithm>

void UpdateRun::EventCloser::operator()(void* event) const { ::CloseHandle(event); }

bool UpdateRun::isCancelled() {
    std::lock_guard<std::mutex> lock(mutex);
    return cancelled;
}

// The task holds the run (so the counters it reads exist) and only a weak
// reference to the engine's token: once the engine is gone it does nothing.
// The action is its last step, since the delegate may delete the engine.
void UpdateRun::post(std::function<void()> action) {
    std::weak_ptr<int> token = aliveToken;
    scheduler->performFunctionInCocosThread([self = shared_from_this(), token, action = std::move(action)] {
        if (!token.lock()) return;
        action();
    });
}

void UpdateRun::fail(int eid, const std::string& msg) {
    bool reports = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!cancelled) {
            cancelled = true;
            reports = true;
        }
    }
    unzipCondition.notify_all();
    if (!reports) return;
    ResUpdaterDelegate* target = delegate;
    post([target, eid, msg] { target->onError(eid, msg); });
}

void UpdateRun::onFileProgress(int i, int64_t received) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        downloadedBytes[i] = resumeBase[i] + received;
    }
    queueProgress();
}

void UpdateRun::queueProgress() {
    if (progressQueued.exchange(true)) return;
    std::weak_ptr<int> token = aliveToken;
    scheduler->performFunctionInCocosThread([self = shared_from_this(), token] {
        self->progressQueued.store(false);
        if (!token.lock()) return;
        self->reportProgress();
    });
}

void UpdateRun::postFinish() {
    ResUpdaterDelegate* target = delegate;
    post([target] { target->onUpdateFinished(); });
}

void UpdateRun::reportProgress() {
    int64_t done;
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = unzippedBytes;
        for (size_t i = 0; i < files.size(); ++i) {
            if (fileStates[i] == 2) done += files[i].size;
            if (fileStates[i] == 1) done += downloadedBytes[i];
        }
    }
    done = std::min<int64_t>(done, totalBytes);
    delegate->onProgress(totalBytes, done);

    int zipIndex, entriesDone, entriesTotal;
    const int zipCount = static_cast<int>(files.size());
    int64_t estimate;
    {
        std::lock_guard<std::mutex> lock(mutex);
        zipIndex = nextUnzip;
        entriesDone = zipEntriesDone;
        entriesTotal = zipEntriesTotal;
        estimate = unzippedBytes;
        if (zipIndex < zipCount && entriesTotal > 0) {
            entriesDone = std::min(entriesDone, entriesTotal);
            estimate += static_cast<int64_t>(entriesDone) * files[zipIndex].size / entriesTotal;
        }
    }
    estimate = std::min<int64_t>(estimate, totalBytes);
    delegate->onUnzipProgress(zipIndex, zipCount, entriesDone, entriesTotal, estimate, totalBytes);
}
