#include "update/engine/ResUpdater.h"

#include "base/DetachedThread.h"
#include "cocos2d.h"
#include "proj.win32/Win32.h"
#include "update/engine/ResList.h"
#include "update/engine/ResLog.h"
#include "update/engine/ResUpdaterDelegate.h"
#include "update/engine/UpdatePaths.h"
#include "update/engine/UpdateRun.h"
#include "update/engine/UpdateTransport.h"

#include <algorithm>
#include <system_error>

using namespace cocos2d;

namespace {

constexpr int kMaxWorkers = 8;
constexpr DWORD kUnzipWaitStepMs = 50;       // between dispatches of sent messages
constexpr DWORD kSlowUnzipExitMs = 500;      // a longer wait is worth a line
constexpr int kWorkerWaitIterations = 5000;  // about 5 s of 1 ms sleeps
constexpr UINT kPeekSentOnly = PM_NOREMOVE | PM_QS_SENDMESSAGE;

const char kShippedRecord[] = "vexa/ResSignSn";
const char kLocalRecordName[] = "LocalResSignSn";

// The sink of the lines nobody needs to read (the queue summary, the
// destructor's timing): formats nothing, writes nothing.
void quietLog(const char*, ...) {}

// Dispatches what other threads sent to this thread's windows; removes no posted message.
void dispatchSentMessages() {
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, kPeekSentOnly);
}

void removeCaches() {
    FileUtils* files = FileUtils::getInstance();
    files->removeDirectory(getResourcesDir());  // results ignored: a failure shows up later
    files->removeDirectory(getDownloadsDir());
}

}  // namespace

ResUpdater::ResUpdater(ResUpdaterDelegate* delegate, const std::string& resUrl)
    : ResUpdater(delegate, resUrl, makeEngineTransport()) {}

ResUpdater::ResUpdater(ResUpdaterDelegate* delegate, const std::string& resUrl,
                       std::shared_ptr<UpdateTransport> transport)
    : delegate(delegate), transport(std::move(transport)), aliveToken(std::make_shared<int>(1)) {
    const size_t slash = resUrl.find_last_of("/\\");
    if (slash == std::string::npos) {
        listFileName = resUrl;
    } else {
        baseUrl = resUrl.substr(0, slash + 1);
        listFileName = resUrl.substr(slash + 1);
    }
    upgradePatchUrl(baseUrl);
}

void ResUpdater::start() {
    mainThread.check("ResUpdater::start");
    FileUtils* fileUtils = FileUtils::getInstance();
    sign = "NONE";
    if (fileUtils->isFileExist(kShippedRecord)) {
        const std::string text = fileUtils->getStringFromFile(kShippedRecord);
        log("ResSignSn: %s", text.c_str());
        const SerialRecord shipped = parseSerialRecord(text);
        if (shipped.wellFormed) {
            sign = shipped.sign;
            shippedSerial = shipped.serial;
        }
    }
    if (sign == "NONE") {
        removeCaches();
        log("ResSignSn is 'NONE', no update.");
        delegate->onNoUpdate();  // may delete this
        return;
    }

    const std::string localPath = getResourcesDir() + kLocalRecordName;
    if (fileUtils->isFileExist(localPath)) {
        const std::string text = fileUtils->getStringFromFile(localPath);
        log("LocalResSignSn: %s", text.c_str());
        const SerialRecord local = parseSerialRecord(text);
        if (local.wellFormed) localSerial = local.serial;
        if (isLocalRecordStale(local, sign, shippedSerial)) {
            localSerial = 0;
            removeCaches();
            log("Remove exter caches Resources, Downloads!");
        }
    }
    requestResList();
}

void ResUpdater::requestResList() {
    const std::string url = baseUrl + listFileName;
    log("get remote %s", listFileName.c_str());
    // No report is made while the request is out, so the delegate cannot
    // have deleted this engine when the answer arrives.
    transport->requestList(url, [this, url](const ListAnswer& answer) { onResListResponse(url, answer); });
}

void ResUpdater::onResListResponse(const std::string& url, const ListAnswer& answer) {
    mainThread.check("ResUpdater::onResListResponse");
    const int realSerial = std::max(shippedSerial, localSerial);
    if (!answer.succeed || answer.code != 200) {
        log("URL '%s' rc:%d msg:%s", url.c_str(), static_cast<int>(answer.code), answer.errorBuffer.c_str());
        delegate->onNoUpdate();
        return;
    }
    ListResult list = evaluateResList(answer.body, sign, realSerial);
    switch (list.verdict) {
        case ListVerdict::NotJson:
            log("%s jsonerr: %d", listFileName.c_str(), list.parseError);
            delegate->onNoUpdate();
            return;
        case ListVerdict::FormatError:
            log("remote %s formate error!", listFileName.c_str());
            delegate->onNoUpdate();
            return;
        case ListVerdict::SignDiffers:
            log("res sign diff('%s'  '%s')!", sign.c_str(), list.remoteSign.c_str());
            delegate->onNoUpdate();
            return;
        case ListVerdict::NothingNewer:
        case ListVerdict::Queue:
            break;
    }
    if (list.hasItems) {
        remoteSerial = list.remoteSerial;
        log("RemoteResSignSn: %s  %d", list.remoteSign.c_str(), remoteSerial);
    }
    if (list.verdict == ListVerdict::NothingNewer) {
        log("resource is the new, no update.");
        delegate->onNoUpdate();
        return;
    }
    files = std::move(list.files);
    totalBytes = list.totalBytes;
    FileUtils::getInstance()->createDirectory(getDownloadsDir());  // result ignored: the downloads fail later
    startDownloads();
}

void ResUpdater::startDownloads() {
    const int n = static_cast<int>(files.size());
    if (n == 0) {
        log("update to sn %d", localSerial);
        delegate->onUpdateFinished();
        return;
    }

    run = std::make_shared<UpdateRun>();
    run->delegate = delegate;
    run->scheduler = Director::getInstance()->getScheduler();
    run->aliveToken = aliveToken;
    run->transport = transport;
    run->files = files;
    run->baseUrl = baseUrl;
    run->sign = sign;
    run->connectTimeout = connectTimeout;
    run->totalBytes = totalBytes;
    run->resourcesDir = getResourcesDir();
    run->downloadsDir = getDownloadsDir();
    run->fileStates.assign(n, 0);
    run->downloadedBytes.assign(n, 0);
    run->resumeBase.assign(n, 0);
    run->localSerial = localSerial;

    postProgress();  // the totals show before any byte arrives

    const int workers = std::min(n, kMaxWorkers);
    run->activeWorkers = workers;
    quietLog("start %d luong tai song song cho %d file", workers, n);

    // The unpacking thread signals this event as its last step, so the
    // destructor can wait for it while it dispatches sent messages.
    run->unzipEnded.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (unzipThread.joinable()) unzipThread.join();
    try {
        unzipThread = std::thread(unzipWorker, run);
    } catch (const std::system_error&) {
        run->activeWorkers = 0;
        run->fail(0, std::string());  // the run still ends with one report
        return;
    }

    int started = 0;
    for (int i = 0; i < workers; ++i) {
        try {
            cocos2d::startDetachedThread([shared = run] { downloadWorker(shared); });
            ++started;
        } catch (const std::system_error&) {
            std::lock_guard<std::mutex> lock(run->mutex);
            --run->activeWorkers;
        }
    }
    if (started == 0) run->fail(0, std::string());
}

void ResUpdater::postProgress() { run->reportProgress(); }

ResUpdater::~ResUpdater() {
    mainThread.check("ResUpdater::~ResUpdater");
    if (run) {
        {
            std::lock_guard<std::mutex> lock(run->mutex);
            run->cancelled = true;
        }
        run->unzipCondition.notify_all();
    }

    if (unzipThread.joinable()) {
        const DWORD t0 = ::GetTickCount();
        if (run && run->unzipEnded) {
            HANDLE ended = static_cast<HANDLE>(run->unzipEnded.get());
            for (;;) {
                const DWORD r = ::MsgWaitForMultipleObjectsEx(1, &ended, kUnzipWaitStepMs, QS_SENDMESSAGE,
                                                              MWMO_INPUTAVAILABLE);
                if (r == WAIT_OBJECT_0 || r == WAIT_FAILED) break;
                dispatchSentMessages();
            }
        }
        unzipThread.join();
        const DWORD waited = ::GetTickCount() - t0;
        if (waited > kSlowUnzipExitMs) quietLog("~ResUpdater: cho luong giai nen thoat mat %u ms", waited);
    }

    if (run) {
        for (int i = 0; i < kWorkerWaitIterations; ++i) {
            {
                std::lock_guard<std::mutex> lock(run->mutex);
                if (run->activeWorkers <= 0) break;
            }
            dispatchSentMessages();
            ::Sleep(1);
        }
    }
    // The members go now: the alive token expires, so queued reports do
    // nothing; a worker still running keeps the run state it shares.
}
