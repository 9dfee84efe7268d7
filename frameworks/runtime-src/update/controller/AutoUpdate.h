// The resource update's controller: reads the gateway address, shows the
// update scene, waits (bounded) for the TLS warm-up, asks the gateway for the
// resource list's address, runs the update engine, shows error alerts whose
// button retries, and hands over to the game on a later frame. Main thread
// only: every operation runs inside start, a scheduler callback, an HTTP
// response callback, a delegate report or a click.
//
// States (all transitions on the main thread):
//
//   idle --start--> reading the gateway file --no address--> leaving
//                          | address
//                          v
//                     scene shown --next frame--> [waiting for the TLS warm-up]
//                                                       |
//                                                       v
//      +----retry click---- alert shown <--failure-- asking the gateway --no "Res"--> leaving
//      |                        ^                       | "Res"
//      +--> asking the gateway  +------onError------ updater running --end report--> leaving
//
//   leaving --a later frame--> handed over (the finish callback, once)
//
// One check at a time: from its request to its alert (or for good, once it
// leaves) a second requestGateway, from a retry button that two touches
// reached or from anywhere else, does nothing.
//
// Lives for the process (never destroyed). Implemented across
// AutoUpdate.cpp (start, gateway, end reports, leaving),
// AutoUpdateScene.cpp (scene, bar, alert), AutoUpdateProgress.cpp
// (progress display) and UpdateTexts.cpp (loadLanguage).
#pragma once

#include "update/engine/ResUpdaterDelegate.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class ResUpdater;

namespace cocos2d {
namespace network {
class HttpClient;
class HttpResponse;
}  // namespace network
namespace ui {
class LoadingBar;
class Text;
class Widget;
}  // namespace ui
}  // namespace cocos2d

class AutoUpdate : public ResUpdaterDelegate {
public:
    static AutoUpdate* getInstance();
    // Aborts (with the name) when called off the thread that first used the
    // controller: everything here belongs to the main thread.
    static void checkThread(const char* where);

    ~AutoUpdate() override;

    // onFinish must not be empty; it is called once, on a later frame.
    void start(const std::function<void()>& onFinish);

    void checkGatewayFile();
    void requestGateway();
    // True when the gateway request must wait for the TLS warm-up; the wait
    // tick then calls requestGateway again.
    bool deferForTlsWarmup();
    void waitTlsWarmupTick(float dt);
    void onGatewayResponse(cocos2d::network::HttpClient* client, cocos2d::network::HttpResponse* response);
    // Tears the scene down at once and calls the finish callback on a later frame.
    void leave();
    // A popup with the message and a retry button; the button removes the
    // popup, then runs (a copy of) onRetry.
    void showAlert(const std::string& message, const std::function<void()>& onRetry);

    // ResUpdaterDelegate
    void onNoUpdate() override;
    void onUpdateFinished() override;
    void onProgress(int64_t totalBytes, int64_t doneBytes) override;
    void onError(int eid, const std::string& msg) override;
    void onUnzipProgress(int zipIndex, int zipCount, int entriesDone, int entriesTotal, int64_t bytesDone,
                         int64_t bytesTotal) override;

    // The update scene (AutoUpdateScene.cpp).
    void buildScene();
    void teardownUI();
    // The texts (UpdateTexts.cpp).
    void loadLanguage();
    // The progress display (AutoUpdateProgress.cpp).
    void refreshBar();
    void refreshStatusText();

    // Read by the scene, the progress display and the tests.
    std::function<void()> finishCallback;
    ResUpdater* resUpdater = nullptr;  // owned; null while none runs
    std::string gatewayUrl;            // first token of "vexa/gateway"; empty: no gateway
    std::vector<std::string> savedSearchPaths;
    cocos2d::ui::Widget* layoutRoot = nullptr;  // held by the scene
    cocos2d::ui::LoadingBar* barProcess = nullptr;
    cocos2d::ui::Text* lblMsg = nullptr;
    // A gateway check runs: from requestGateway until its alert shows (the
    // hand-over ends it for good). Another request meanwhile does nothing.
    bool checkRunning = false;

private:
    AutoUpdate() = default;
    AutoUpdate(const AutoUpdate&) = delete;
    AutoUpdate& operator=(const AutoUpdate&) = delete;

    // Deletes the updater (which waits for its threads) when one runs.
    void deleteUpdater();
};
