// What the update engine reports to its controller. Every call arrives on the
// main thread; the three end reports (onNoUpdate, onUpdateFinished, onError)
// may delete the engine, which then touches nothing of itself.
#pragma once

#include <cstdint>
#include <string>

class ResUpdaterDelegate {
public:
    virtual ~ResUpdaterDelegate() {}
    virtual void onNoUpdate() = 0;
    virtual void onUpdateFinished() = 0;
    // 64-bit: the packages of a run can add up past what 32 bits hold.
    virtual void onProgress(int64_t totalBytes, int64_t doneBytes) = 0;
    virtual void onError(int eid, const std::string& msg) = 0;
    virtual void onUnzipProgress(int zipIndex, int zipCount, int entriesDone, int entriesTotal, int64_t bytesDone,
                                 int64_t bytesTotal) {}
};
