// The unpacking thread: applies the downloaded packages strictly in list
// order while later packages still download, and records each applied
// package in "LocalResSignSn", so an interrupted update resumes at the first
// package not yet applied.
#include "update/engine/UpdateRun.h"

#include "cocos2d.h"
#include "proj.win32/Win32.h"
#include "update/engine/ResLog.h"
#include "update/engine/SerialRecordFile.h"
#include "update/engine/Unzip.h"

#include <chrono>
#include <cstdio>

using cocos2d::FileUtils;

namespace {

constexpr std::chrono::milliseconds kReadyWait(200);         // bounds a notification missed before the wait
constexpr std::chrono::milliseconds kUnzipProgressEvery(100);  // many small entries must not flood the main thread

// Signals the destructor's event however the thread ends.
class EndSignal {
public:
    explicit EndSignal(HANDLE event) : event_(event) {}
    ~EndSignal() {
        if (event_) ::SetEvent(event_);
    }

private:
    HANDLE event_;
};

// Extracts the package and deletes its zip, unless the run was cancelled
// before every entry was out (then *cancelled is set) or the destination
// could not be written (a full disk, say): the zip is sound then, and stays
// for the next run, which finds it by its MD5.
bool unpack(UpdateRun& run, const std::string& zipPath, bool* cancelled) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastReport = Clock::now();
    UnzipHooks hooks;
    hooks.onTotal = [&run](int total) {
        std::lock_guard<std::mutex> lock(run.mutex);
        run.zipEntriesTotal = total;
        run.zipEntriesDone = 0;
    };
    hooks.onEntry = [&run, &lastReport](int k) {
        {
            std::lock_guard<std::mutex> lock(run.mutex);
            if (run.cancelled) return false;
            run.zipEntriesDone = k;
        }
        const Clock::time_point now = Clock::now();
        if (std::chrono::duration_cast<std::chrono::milliseconds>(now - lastReport) >= kUnzipProgressEvery) {
            lastReport = now;
            run.queueProgress();
        }
        return true;
    };
    *cancelled = false;
    hooks.deleteArchive = [&run, cancelled](UnzipEnd end) {
        *cancelled = end != UnzipEnd::Extracted && run.isCancelled();
        return !*cancelled && end != UnzipEnd::WriteFailed;
    };
    return unzipFile(zipPath, run.resourcesDir, hooks);
}

}  // namespace

void unzipWorker(std::shared_ptr<UpdateRun> run) {
    EndSignal signal(static_cast<HANDLE>(run->unzipEnded.get()));
    const int n = static_cast<int>(run->files.size());
    FileUtils* fileUtils = FileUtils::getInstance();
    for (;;) {
        int i;
        {
            std::unique_lock<std::mutex> lock(run->mutex);
            run->unzipCondition.wait_for(lock, kReadyWait, [&] {
                return run->cancelled || run->nextUnzip >= n || run->fileStates[run->nextUnzip] == 2;
            });
            if (run->cancelled || run->nextUnzip >= n) return;
            i = run->nextUnzip;
            if (run->fileStates[i] != 2) continue;
            run->zipEntriesDone = 0;
            run->zipEntriesTotal = 0;
        }

        const FileEntry e = run->files[i];
        const std::string zipPath = run->downloadsDir + e.name;
        // Result ignored: unpacking fails if it is missing. Checked first, since
        // creating it walks every folder of the path again for each package.
        if (!fileUtils->isDirectoryExist(run->resourcesDir)) fileUtils->createDirectory(run->resourcesDir);
        resLog("unzip '%s' (luong rieng)", e.name.c_str());
        bool cancelled = false;
        if (!unpack(*run, zipPath, &cancelled)) {
            if (cancelled) {
                resLog("unzip '%s' bi huy giua chung", e.name.c_str());  // the zip stays for the next run
                return;
            }
            resLog("unzip err: '%s'", e.name.c_str());
            run->fail(3, e.name);
            return;
        }

        // A record that cannot be written leaves the older serial; the run goes on.
        // The record reaches the disk before it names this package; the files
        // just unpacked are left to the system's own write-back: flushing each
        // of a package's thousands of small files would cost a disk flush apiece
        // (on 20 000 entries it made the unpacking three times as long).
        writeSerialRecord(run->resourcesDir, run->sign + " " + std::to_string(e.sn));

        bool last = false;
        {
            std::lock_guard<std::mutex> lock(run->mutex);
            run->localSerial = e.sn;
            run->unzippedBytes += e.size;
            run->fileStates[i] = 3;
            ++run->nextUnzip;
            run->zipEntriesDone = 0;
            run->zipEntriesTotal = 0;
            if (run->nextUnzip >= n && !run->finished) {
                run->finished = true;
                last = true;
            }
        }
        run->queueProgress();
        if (last) {
            resLog("update to sn %d", e.sn);
            run->postFinish();
            return;
        }
    }
}
