// The controller's road: the gateway file, the gateway request behind the
// TLS wait, the gateway answer, the updater's end reports and the hand-over.
#include "update/controller/AutoUpdate.h"

#include "cocos2d.h"
#include "network/HttpClient.h"
#include "network/HttpRequest.h"
#include "network/HttpResponse.h"
#include "proj.win32/TlsWarmup.h"
#include "ui/CocosGUI.h"
#include "update/controller/AutoUpdateProgress.h"
#include "update/controller/AutoUpdateRules.h"
#include "update/controller/AutoUpdateScene.h"
#include "update/controller/EngineHttpCaBundle.h"
#include "update/engine/ResUpdater.h"
#include "update/engine/SplitString.h"
#include "update/engine/UpdateAnswerLimit.h"
#include "update/controller/UpdateTexts.h"

#include <chrono>

using namespace cocos2d;

namespace {

const char* const kGatewayFile = "vexa/gateway";
const char* const kLeaveKey = "AutoUpdate_leave";
const char* const kWaitTlsKey = "AutoUpdate_waitTlsWarmup";
// The gateway request waits at most this long for the warm-up, counted from
// the first wait of the process: a player never waits longer in all.
constexpr long kTlsWaitLimitMs = 1500;

// The TLS wait is process-wide and never reset, so retries share its limit.
bool tlsWaitStarted = false;
std::chrono::steady_clock::time_point tlsWaitStart;
bool tlsWaitActive = false;

long msSinceTlsWaitStart() {
    const auto elapsed = std::chrono::steady_clock::now() - tlsWaitStart;
    return static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count() / 1000000);
}

Scheduler* scheduler() { return Director::getInstance()->getScheduler(); }

}  // namespace

AutoUpdate* AutoUpdate::getInstance() {
    // Created by the first call, which comes from the main thread; never destroyed.
    static AutoUpdate* instance = new AutoUpdate();
    return instance;
}

AutoUpdate::~AutoUpdate() = default;

void AutoUpdate::checkThread(const char* where) {
    static ThreadChecker* const mainThread = new ThreadChecker();  // lives for the process
    mainThread->check(where);
}

void AutoUpdate::start(const std::function<void()>& onFinish) {
    checkThread("AutoUpdate::start");
    std::function<void()> copy = onFinish;
    finishCallback.swap(copy);
    // Before any request of the process: the gateway's, the list's and,
    // after the hand-over, the game's own all check the peer's certificate.
    setEngineHttpCaBundle();
    checkGatewayFile();
}

void AutoUpdate::checkGatewayFile() {
    checkThread("AutoUpdate::checkGatewayFile");
    gatewayUrl.clear();
    FileUtils* files = FileUtils::getInstance();
    if (files->isFileExist(kGatewayFile)) {
        std::vector<std::string> tokens;
        splitString(files->getStringFromFile(kGatewayFile), " \t\n", tokens);
        // splitString gives at least one token; a leading delimiter makes it empty.
        log("checkGatewayFile0: %s", tokens[0].c_str());
        gatewayUrl = tokens[0];
    }
    if (gatewayUrl.empty()) {
        log("no gateway file. skip update.");
        leave();
        return;
    }
    buildScene();
}

void AutoUpdate::requestGateway() {
    checkThread("AutoUpdate::requestGateway");
    // A second check would reset the running one's display, and its answer
    // would delete the updater while that one's list request points at it.
    if (checkRunning || resUpdater) return;
    checkRunning = true;
    if (lblMsg) lblMsg->setString(au_checkupdate);
    if (barProcess) barProcess->setPercent(100);
    if (updateScene.statusLabel) updateScene.statusLabel->setString(au_checkupdate);
    resetProgressState();
    if (deferForTlsWarmup()) return;

    log("get gateway %s", gatewayUrl.c_str());
    auto* request = new network::HttpRequest();
    request->setUrl(gatewayUrl);
    request->setRequestType(network::HttpRequest::Type::GET);
    request->setMaxResponseBytes(kMaxUpdateAnswerBytes);
    request->setResponseCallback(
        [this](network::HttpClient* client, network::HttpResponse* response) { onGatewayResponse(client, response); });
    network::HttpClient::getInstance()->sendImmediate(request);
    request->release();
}

bool AutoUpdate::deferForTlsWarmup() {
    if (tlsWaitActive) return true;
    if (!isTlsWarmupRunning()) return false;
    if (!tlsWaitStarted) {
        tlsWaitStarted = true;
        tlsWaitStart = std::chrono::steady_clock::now();
    }
    if (msSinceTlsWaitStart() >= kTlsWaitLimitMs) return false;
    tlsWaitActive = true;
    scheduler()->schedule([this](float dt) { waitTlsWarmupTick(dt); }, this, 0.0f, CC_REPEAT_FOREVER, 0.0f, false,
                          kWaitTlsKey);
    return true;
}

void AutoUpdate::waitTlsWarmupTick(float) {
    const bool running = isTlsWarmupRunning();
    const long waitedMs = msSinceTlsWaitStart();
    if (running && waitedMs < kTlsWaitLimitMs) return;
    scheduler()->unschedule(kWaitTlsKey, this);
    tlsWaitActive = false;
    log("[ZAVU] GET gateway sau khi cho lam nong TLS %ld ms (%s)", waitedMs,
        running ? "HET HAN, luong lam nong chua xong" : "lam nong da xong");
    checkRunning = false;  // the waiting check goes on, through its own request
    requestGateway();
}

void AutoUpdate::onGatewayResponse(network::HttpClient*, network::HttpResponse* response) {
    checkThread("AutoUpdate::onGatewayResponse");
    if (response == nullptr || !response->isSucceed()) {
        log("URL '%s' rc:%ld  msg:%s", gatewayUrl.c_str(), response ? response->getResponseCode() : -1L,
            response ? response->getErrorBuffer() : "");
        showAlert(gwerr_net, [this] { requestGateway(); });
        return;
    }
    const std::vector<char>* data = response->getResponseData();
    const std::string body = data ? std::string(data->begin(), data->end()) : std::string();
    const GatewayAnswer answer = readGatewayAnswer(body);
    if (answer.kind == GatewayAnswer::Kind::NotJson) {
        log("jsonerr:%d. url:%s", answer.parseError, gatewayUrl.c_str());
        showAlert(gwerr_json, [this] { requestGateway(); });
        return;
    }
    if (answer.kind == GatewayAnswer::Kind::NoRes) {
        log("gateway no 'Res'. skip update.");
        leave();
        return;
    }
    // The updater may report onNoUpdate, and so be deleted, inside start():
    // nothing of it is used after that call.
    deleteUpdater();  // none runs here; kept so that two can never coexist
    ResUpdater* updater = new ResUpdater(this, answer.resUrl);
    resUpdater = updater;
    updater->start();
}

void AutoUpdate::deleteUpdater() {
    ResUpdater* updater = resUpdater;
    resUpdater = nullptr;
    delete updater;
}

void AutoUpdate::onNoUpdate() {
    checkThread("AutoUpdate::onNoUpdate");
    deleteUpdater();
    log("no update");
    leave();
}

void AutoUpdate::onUpdateFinished() {
    checkThread("AutoUpdate::onUpdateFinished");
    deleteUpdater();
    log("update ok");
    leave();
}

void AutoUpdate::onError(int eid, const std::string& msg) {
    checkThread("AutoUpdate::onError");
    // msg may belong to the updater: read it before the updater goes.
    const std::string text = updaterErrorText(eid, msg);
    deleteUpdater();
    showAlert(text, [this] { requestGateway(); });
}

void AutoUpdate::leave() {
    checkThread("AutoUpdate::leave");
    teardownUI();
    scheduler()->schedule(
        [this](float) {
            // A copy: the game's start may replace anything, the callback included.
            std::function<void()> finish = finishCallback;
            if (finish) finish();
        },
        this, 0.0f, 0, 0.0f, false, kLeaveKey);
}
