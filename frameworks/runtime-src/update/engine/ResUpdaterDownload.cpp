// The download workers: each takes the next package in list order and brings
// it into the downloads folder, reusing a complete package whose MD5 matches
// and resuming a ".temp" file with a range request.
//
// One package on disk:
//   <name>.temp  grows while bytes arrive, hashed as they are written (a
//                resumed file's old bytes first); survives a failed or
//                aborted transfer, and is resumed next time; removed when
//                the server refuses its range or its digest is wrong
//        |  its MD5 matches: before a request (an earlier transfer ended
//        |  after the last byte), or after a 2xx or a 416 (nothing left)
//        v  renamed through the handle it was written with
//   <name>       unpacked, then deleted by the unpacking thread; found again
//                on a later run, it is reused only when its MD5 matches
#include "update/engine/UpdateRun.h"

#include "cocos2d.h"
#include "proj.win32/CaBundle.h"
#include "update/engine/DownloadTempFile.h"
#include "update/engine/Md5.h"
#include "update/engine/ResLog.h"
#include "update/engine/UpdatePaths.h"

#include <cstdio>

using cocos2d::FileUtils;

namespace {

constexpr int kCurlRangeError = 33;         // CURLE_RANGE_ERROR
constexpr int kCurlAbortedByCallback = 42;  // CURLE_ABORTED_BY_CALLBACK
constexpr long kRangeNotSatisfiable = 416;
// What libcurl itself reports when the body cannot be written (CURLE_WRITE_ERROR).
constexpr int kCurlWriteError = 23;

bool isVerified(const std::string& path, const std::string& md5) {
    std::string hex;
    int64_t size = 0;
    return md5HexOfFile(path, &hex, &size) && size > 0 && hex == md5;
}

// The verified temp takes the package's name; error 0 when it cannot.
bool takeFinalName(UpdateRun& run, DownloadTempFile& file, const std::string& local) {
    if (file.renameAndClose(local)) return true;
    run.fail(0, std::string());
    return false;
}

bool downloadFile(UpdateRun& run, int i, TransferSession* session) {
    const FileEntry e = run.files[i];
    const std::string url = run.baseUrl + e.name;
    const std::string local = run.downloadsDir + e.name;
    const std::string temp = local + ".temp";
    FileUtils* fileUtils = FileUtils::getInstance();

    if (fileUtils->isFileExist(local)) {
        if (isVerified(local, e.md5)) {
            {
                std::lock_guard<std::mutex> lock(run.mutex);
                run.downloadedBytes[i] = e.size;
            }
            resLog("reuse '%s' (md5 ok, khoi tai lai)", e.name.c_str());
            return true;
        }
        fileUtils->removeFile(local);  // result ignored: the rename below replaces it anyway
    }

    // The digest must cover the whole file as it ends up on disk, so a resumed
    // transfer hashes the bytes already there, and resumes after exactly those.
    Md5 digest;
    int64_t have = 0;
    if (!md5UpdateFromFile(temp, &digest, &have) && have > 0) {
        digest = Md5();  // part of it could not be read: start afresh
        have = 0;
    }
    {
        std::lock_guard<std::mutex> lock(run.mutex);
        run.resumeBase[i] = have;
        run.downloadedBytes[i] = have;
    }

    DownloadTempFile file(temp, have > 0);
    if (!file.isOpen()) {
        run.fail(0, std::string());
        return false;
    }
    // An earlier transfer got the last byte but ended before the rename: the
    // package is all there, nothing to ask the server for.
    if (have > 0 && Md5(digest).finalHex() == e.md5) {
        {
            std::lock_guard<std::mutex> lock(run.mutex);
            run.downloadedBytes[i] = e.size;
        }
        resLog("reuse '%s.temp' (md5 ok, da tai du)", e.name.c_str());
        return takeFinalName(run, file, local);
    }
    PackageFetch fetch;
    fetch.session = session;
    fetch.url = url;
    fetch.ca = &sharedCaBundle();
    fetch.connectTimeoutSec = run.connectTimeout;
    fetch.resumeFrom = have;
    fetch.file = file.stream();
    fetch.digest = &digest;
    fetch.onProgress = [&run, i](int64_t received) {
        run.onFileProgress(i, received);
        return run.isCancelled();
    };
    FetchOutcome outcome = run.transport->fetchPackage(fetch);
    // When the last bytes cannot be flushed the file is short but still a
    // prefix of the package, so it stays for the next attempt to resume.
    if (!file.flush() && outcome.curlCode == 0) outcome.curlCode = kCurlWriteError;

    // Bytes already there are worth keeping whatever stopped this transfer
    // (no connection, a time-out, a cancellation); only a refused range or a
    // wrong digest condemns them. An empty file is nobody's progress.
    const int64_t total = have + outcome.written;
    if (total == 0) file.removeAndClose();
    if (outcome.curlCode == kCurlAbortedByCallback) return false;  // cancelled: no report

    const bool transferDone = outcome.curlCode == 0 && outcome.httpStatus >= 200 && outcome.httpStatus <= 299;
    // 416: the server has nothing after the bytes we hold; libcurl passes it
    // on a resume without writing its body.
    const bool nothingLeft = transferDone || outcome.httpStatus == kRangeNotSatisfiable;
    if (nothingLeft && total > 0) {
        // Checked before the rename: a package that differs never takes its
        // final name.
        if (digest.finalHex() == e.md5) return takeFinalName(run, file, local);
        file.removeAndClose();
        if (transferDone) {
            resLog("md5 err: '%s'", e.name.c_str());
            run.fail(2, std::string());
            return false;
        }
    } else if (transferDone) {  // 2xx without a byte: its temp is gone (above), nothing to hand on
        run.fail(0, std::string());
        return false;
    }
    // A 200 where a range was asked: the bytes held cannot be continued.
    if (outcome.curlCode == kCurlRangeError) file.removeAndClose();
    if (!file.close() && outcome.curlCode == 0) outcome.curlCode = kCurlWriteError;

    char msg[48];
    std::snprintf(msg, sizeof msg, "%d,%ld", outcome.curlCode, outcome.httpStatus);
    resLog("Download err EC:%d RC:%ld URL:%s", outcome.curlCode, outcome.httpStatus, url.c_str());
    run.fail(1, msg);
    return false;
}

}  // namespace

void downloadWorker(std::shared_ptr<UpdateRun> run) {
    const int n = static_cast<int>(run->files.size());
    std::unique_ptr<TransferSession> session = run->transport->openSession();
    for (;;) {
        int i;
        {
            std::lock_guard<std::mutex> lock(run->mutex);
            if (run->cancelled || run->nextDownload >= n) break;
            i = run->nextDownload++;
            run->fileStates[i] = 1;
        }
        if (!downloadFile(*run, i, session.get())) break;  // this worker takes no further package
        {
            std::lock_guard<std::mutex> lock(run->mutex);
            run->fileStates[i] = 2;
        }
        run->unzipCondition.notify_all();
        run->queueProgress();
    }
    session.reset();  // its connections close before the worker counts as ended
    std::lock_guard<std::mutex> lock(run->mutex);
    --run->activeWorkers;
}
