// The controller's road in process: the gateway file, the gateway answers
// (the engine's HttpResponse as the client fills it), the end reports, the
// alert and its retry through the view's touch input, the hand-over on a
// later frame, and the TLS wait.
#include "update/controller/AutoUpdate.h"

#include "cocos2d.h"
#include "network/HttpResponse.h"
#include "proj.win32/TlsWarmup.h"
#include "ui/CocosGUI.h"
#include "update/controller/AutoUpdateScene.h"
#include "update/controller/AutoUpdateTestSupport.h"
#include "update/engine/ResUpdater.h"
#include "update/controller/UpdateTexts.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>

using namespace cocos2d;
using namespace autoupdatetest;

namespace {

// An unreachable gateway: nothing listens on port 1 of the loopback.
const char kRefusedGateway[] = "http://127.0.0.1:1/gw";

class Controller : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        gwerr_net = "Mất kết nối";
        gwerr_json = "Dữ liệu hỏng";
        alert_title = "Thông báo";
        alert_retry = "Thử lại";
    }
    void TearDown() override {
        resetController();
        tlsWarmupState().exchange(0);
    }

    void fresh() {
        resetController();
        game.reset();
        game = std::make_unique<GameFolder>();
        finished = 0;
    }

    // The controller as start() leaves it, with a scene and a counted finish.
    AutoUpdate* withScene(bool layout = true) {
        testView(750, 1334);
        if (layout) game->write("autoupdate/autoupdate.json", layoutJson());
        AutoUpdate* controller = AutoUpdate::getInstance();
        controller->finishCallback = [this] { ++finished; };
        controller->buildScene();
        Director::getInstance()->getScheduler()->unschedule("AutoUpdate_checkResAndUpdate", controller);
        runFrames(1);  // the scene becomes the running one
        return controller;
    }

    // Two frames: the first only starts the hand-over's timer.
    void expectHandOverOnALaterFrame() {
        EXPECT_EQ(finished, 0) << "never inside the call that left";
        runFrames(1);
        EXPECT_EQ(finished, 0);
        runFrames(1);
        EXPECT_EQ(finished, 1);
        runFrames(3);
        EXPECT_EQ(finished, 1) << "once";
    }

    TextsSnapshot keep;
    std::unique_ptr<GameFolder> game;
    int finished = 0;
};

network::HttpResponse* response(bool succeed, long code, const char* error, const std::string& body) {
    auto* r = new network::HttpResponse(nullptr);
    r->autorelease();
    r->setSucceed(succeed);
    r->setResponseCode(code);
    r->setErrorBuffer(error);
    const std::vector<char> data(body.begin(), body.end());
    r->setResponseData(&data);
    return r;
}

TEST_F(Controller, NoGatewayAddressSkipsTheUpdateWithoutAScene) {
    const struct {
        const char* name;
        const char* content;  // nullptr: no file
        bool tokenLine;
    } cases[] = {
        {"no file", nullptr, false},
        {"empty file", "", true},
        {"leading blank", " https://gw/x", true},
        {"leading tab", "\thttps://gw/x", true},
        {"leading line feed", "\nhttps://gw/x", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        if (c.content) game->write("vexa/gateway", c.content);
        game->write("autoupdate/lang.json", R"({"au_checkupdate":"never read"})");
        LogCapture log;
        AutoUpdate* controller = AutoUpdate::getInstance();
        controller->start([this] { ++finished; });
        std::vector<std::string> expected;
        if (c.tokenLine) expected.push_back("checkGatewayFile0: ");
        expected.push_back("no gateway file. skip update.");
        EXPECT_EQ(log.lines(), expected);
        EXPECT_EQ(controller->gatewayUrl, "");
        EXPECT_EQ(updateScene.scene, nullptr);
        EXPECT_EQ(au_checkupdate, "au_checkupdate") << "the texts are not loaded";
        expectHandOverOnALaterFrame();
        EXPECT_EQ(Director::getInstance()->getRunningScene(), nullptr);
    }
}

TEST_F(Controller, GatewayAddressIsTheFirstToken) {
    const struct {
        const char* content;
        std::string url;
    } cases[] = {
        {"https://gw/x", "https://gw/x"},
        {"https://gw/x\nhttps://other/y", "https://gw/x"},
        {"https://gw/x more", "https://gw/x"},
        {"https://gw/x\r\n", "https://gw/x\r"},  // a carriage return is no delimiter
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        fresh();
        testView(750, 1334);
        game->write("vexa/gateway", c.content);
        LogCapture log;
        AutoUpdate* controller = AutoUpdate::getInstance();
        controller->start([this] { ++finished; });
        EXPECT_EQ(controller->gatewayUrl, c.url);
        EXPECT_EQ(log.startingWith("checkGatewayFile0: "), std::vector<std::string>{"checkGatewayFile0: " + c.url});
        EXPECT_FALSE(log.has("no gateway file. skip update."));
        EXPECT_NE(updateScene.scene, nullptr);
        EXPECT_TRUE(Director::getInstance()->getScheduler()->isScheduled("AutoUpdate_checkResAndUpdate", controller));
        EXPECT_EQ(finished, 0);
    }
}

TEST_F(Controller, GatewayAnswers) {
    enum Outcome { NetAlert, JsonAlert, Leave };
    const struct {
        const char* name;
        bool succeed;
        long code;
        const char* error;
        std::string body;
        std::string line;
        Outcome outcome;
    } cases[] = {
        {"transfer failed", false, -1, "Failed to connect to gw port 443", "",
         "URL 'https://gw/x' rc:-1  msg:Failed to connect to gw port 443", NetAlert},
        {"404", false, 404, "", "{\"Res\":\"https://p/list\"}", "URL 'https://gw/x' rc:404  msg:", NetAlert},
        {"not JSON", true, 200, "", "<html>", "jsonerr:3. url:https://gw/x", JsonAlert},
        {"empty body", true, 200, "", "", "jsonerr:1. url:https://gw/x", JsonAlert},
        {"empty object", true, 200, "", "{}", "gateway no 'Res'. skip update.", Leave},
        {"empty Res", true, 200, "", R"({"Res":""})", "gateway no 'Res'. skip update.", Leave},
        {"Res not a string", true, 200, "", R"({"Res":12})", "gateway no 'Res'. skip update.", Leave},
        {"root not an object", true, 204, "", R"(["Res"])", "gateway no 'Res'. skip update.", Leave},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        AutoUpdate* controller = withScene();
        controller->gatewayUrl = "https://gw/x";
        Scene* scene = updateScene.scene;
        LogCapture log;
        controller->onGatewayResponse(nullptr, response(c.succeed, c.code, c.error, c.body));
        EXPECT_EQ(log.lines(), std::vector<std::string>{c.line});
        EXPECT_EQ(controller->resUpdater, nullptr);
        if (c.outcome == Leave) {
            EXPECT_EQ(controller->layoutRoot, nullptr) << "torn down at once";
            expectHandOverOnALaterFrame();
            continue;
        }
        const std::string& text = c.outcome == NetAlert ? gwerr_net : gwerr_json;
        EXPECT_NE(findLabel(controller->layoutRoot, text), nullptr);
        runFrames(3);
        EXPECT_EQ(finished, 0) << "an error never hands over";
        EXPECT_NE(findLabel(scene, text), nullptr) << "the alert stays until its button";
    }
}

TEST_F(Controller, UpdaterThatEndsInsideStartIsGoneBeforeTheAnswerReturns) {
    AutoUpdate* controller = withScene();
    controller->gatewayUrl = "https://gw/x";
    LogCapture log;
    // No "vexa/ResSignSn" in the game: the engine reports onNoUpdate from start().
    controller->onGatewayResponse(nullptr, response(true, 200, "", R"({"Res":"http://127.0.0.1:1/res/list.json"})"));
    EXPECT_EQ(controller->resUpdater, nullptr);
    EXPECT_TRUE(log.has("ResSignSn is 'NONE', no update."));
    ASSERT_TRUE(log.has("no update"));
    EXPECT_EQ(log.lines().back(), "no update");
    EXPECT_EQ(controller->layoutRoot, nullptr);
    expectHandOverOnALaterFrame();
}

TEST_F(Controller, EndReportsDeleteTheUpdaterAndLeave) {
    const struct {
        const char* name;
        void (AutoUpdate::*report)();
        const char* line;
    } cases[] = {{"no update", &AutoUpdate::onNoUpdate, "no update"},
                 {"finished", &AutoUpdate::onUpdateFinished, "update ok"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        AutoUpdate* controller = withScene();
        Label* label = updateScene.statusLabel;
        controller->resUpdater = new ResUpdater(controller, "http://127.0.0.1:1/res/list.json");
        LogCapture log;
        (controller->*c.report)();
        EXPECT_EQ(controller->resUpdater, nullptr);
        EXPECT_EQ(log.lines(), std::vector<std::string>{c.line});
        EXPECT_EQ(label->getString(), "Đang khởi động game...");
        expectHandOverOnALaterFrame();
    }
}

TEST_F(Controller, UpdaterErrorShowsItsTextAndNeverHandsOver) {
    reserr_1_0 = "Tải về lỗi";
    AutoUpdate* controller = withScene();
    controller->resUpdater = new ResUpdater(controller, "http://127.0.0.1:1/res/list.json");
    controller->onError(1, "28,0");
    EXPECT_EQ(controller->resUpdater, nullptr);
    EXPECT_NE(findLabel(controller->layoutRoot, "Tải về lỗi 28,0"), nullptr);
    runFrames(3);
    EXPECT_EQ(finished, 0);
    EXPECT_NE(controller->layoutRoot, nullptr) << "the scene stays for the retry";
}

TEST_F(Controller, AlertPopupLayout) {
    game->write("autoupdate/alert_bg.png", pngBytes(60, 40));
    game->write("autoupdate/alert_btn.png", pngBytes(200, 70));
    game->write("autoupdate/alert_btn_down.png", pngBytes(200, 70, 0x102030FF));
    AutoUpdate* controller = withScene();
    controller->showAlert("Không kết nối được máy chủ, một dòng rất dài để xuống dòng", [] {});

    ui::Widget* layout = controller->layoutRoot;
    Node* popup = layout->getChildren().back();
    EXPECT_EQ(popup->getLocalZOrder(), 0);
    EXPECT_EQ(popup->getPosition(), Vec2(375, 667));  // half the window size
    const auto& parts = popup->getChildren();
    ASSERT_EQ(parts.size(), 4u);

    auto* box = dynamic_cast<ui::Scale9Sprite*>(parts[0]);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->getContentSize(), Size(600, 400));
    EXPECT_EQ(box->getPosition(), Vec2(0, 0));

    auto* message = dynamic_cast<Label*>(parts[1]);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->getString(), "Không kết nối được máy chủ, một dòng rất dài để xuống dòng");
    EXPECT_EQ(message->getHorizontalAlignment(), TextHAlignment::CENTER);
    EXPECT_EQ(message->getSystemFontSize(), 25);
    EXPECT_EQ(message->getColor(), Color3B(63, 33, 4));
    EXPECT_EQ(message->getDimensions().width, 500);
    EXPECT_EQ(message->getPosition(), Vec2(0, 0));

    auto* title = dynamic_cast<Label*>(parts[2]);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->getString(), "Thông báo");
    EXPECT_EQ(title->getSystemFontSize(), 30);
    EXPECT_EQ(title->getColor(), Color3B(63, 33, 4));
    EXPECT_EQ(title->getPosition(), Vec2(0, 150));

    auto* button = dynamic_cast<ui::Button*>(parts[3]);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->getTitleText(), "Thử lại");
    EXPECT_EQ(button->getTitleFontSize(), 25);
    EXPECT_TRUE(button->hasNormalTexture());
    EXPECT_TRUE(button->hasPressedTexture());
    EXPECT_FALSE(button->hasDisabledTexture());
    EXPECT_EQ(button->getPosition(), Vec2(0, -145));
    for (Node* part : parts) EXPECT_EQ(part->getLocalZOrder(), 0);
}

TEST_F(Controller, AlertWithoutTheLayoutGoesAboveEverything) {
    AutoUpdate* controller = withScene(false);
    ASSERT_EQ(controller->layoutRoot, nullptr);
    controller->showAlert("no layout", [] {});
    Scene* scene = updateScene.scene;
    Label* message = findLabel(scene, "no layout");
    ASSERT_NE(message, nullptr);
    Node* popup = message->getParent();
    EXPECT_EQ(popup->getParent(), scene);
    for (Node* other : scene->getChildren())
        if (other != popup) {
            EXPECT_LT(other->getLocalZOrder(), popup->getLocalZOrder());
        }
    EXPECT_EQ(popup->getChildren().size(), 3u) << "no box without its image; the button is still made";
    ASSERT_NE(findButton(popup), nullptr);

    int retries = 0;
    controller->showAlert("second", [&] { ++retries; });
    click(findButton(findLabel(scene, "second")->getParent()));
    EXPECT_EQ(retries, 1);
    EXPECT_EQ(findLabel(scene, "second"), nullptr);
}

// The whole loop with the engine's HttpClient: the refused gateway gives the
// network alert, the click removes it and asks again, and the answer brings
// the alert back.
TEST_F(Controller, RetryClickRemovesThePopupAndAsksTheGatewayAgain) {
    AutoUpdate* controller = withScene();
    controller->gatewayUrl = kRefusedGateway;
    LogCapture log;
    controller->requestGateway();
    ASSERT_TRUE(runFramesUntil([&] { return findLabel(updateScene.scene, gwerr_net) != nullptr; }));
    const auto failures = log.startingWith(std::string("URL '") + kRefusedGateway + "' rc:-1  msg:");
    ASSERT_EQ(failures.size(), 1u) << log.text();
    EXPECT_GT(failures[0].size(), std::string("URL '' rc:-1  msg:").size() + strlen(kRefusedGateway))
        << "libcurl's error text";

    updateScene.statusLabel->setString("au_update 37%");
    controller->barProcess->setPercent(37);
    ui::Button* button = findButton(findLabel(updateScene.scene, gwerr_net)->getParent());
    ASSERT_NE(button, nullptr);
    click(button);
    EXPECT_EQ(findLabel(updateScene.scene, gwerr_net), nullptr) << "removed before the new request";
    EXPECT_EQ(updateScene.statusLabel->getString(), au_checkupdate);
    EXPECT_EQ(controller->lblMsg->getString(), au_checkupdate);
    EXPECT_EQ(controller->barProcess->getPercent(), 100);
    EXPECT_EQ(log.count(std::string("get gateway ") + kRefusedGateway), 2);

    ASSERT_TRUE(runFramesUntil([&] { return findLabel(updateScene.scene, gwerr_net) != nullptr; }));
    EXPECT_EQ(log.startingWith(std::string("URL '") + kRefusedGateway).size(), 2u);
    EXPECT_EQ(finished, 0);
}

// A retry starts its run's display afresh: after an unpacking error the
// next run's first download report shows the download form from 0 %.
TEST_F(Controller, RetryStartsTheProgressDisplayAfresh) {
    reserr_3 = "Giải nén lỗi";
    AutoUpdate* controller = withScene();
    controller->gatewayUrl = kRefusedGateway;
    Label* label = updateScene.statusLabel;
    controller->onProgress(100, 100);
    controller->onUnzipProgress(0, 1, 0, 0, 100, 100);
    ASSERT_EQ(label->getString(), "Đang giải nén gói 1/1 (99%)");
    controller->onError(3, "");
    click(findButton(findLabel(updateScene.scene, "Giải nén lỗi")->getParent()));
    EXPECT_EQ(label->getString(), au_checkupdate);

    controller->onProgress(1000, 100);
    EXPECT_EQ(label->getString(), "au_update 5%  0/0 MB  0.0 MB/s  ~0:00");
    EXPECT_EQ(controller->barProcess->getPercent(), 5);
    ASSERT_TRUE(runFramesUntil([&] { return findLabel(updateScene.scene, gwerr_net) != nullptr; }));
}

// One gateway check at a time. Two touches on one retry button reach it
// while its popup still lives (here: pressed before the frame that made the
// alert ends), so the retry runs twice; a request while one is out, or while
// an updater runs, is another road to a second check.
TEST_F(Controller, OneGatewayCheckAtATime) {
    AutoUpdate* controller = withScene();
    controller->gatewayUrl = kRefusedGateway;
    LogCapture log;
    const std::string sent = std::string("get gateway ") + kRefusedGateway;
    const std::string failed = std::string("URL '") + kRefusedGateway;
    controller->onGatewayResponse(nullptr, response(false, -1, "refused", ""));
    ASSERT_EQ(log.startingWith(failed).size(), 1u);
    ui::Button* button = findButton(findLabel(updateScene.scene, gwerr_net)->getParent());
    ASSERT_NE(button, nullptr);

    click(button, 2);
    EXPECT_EQ(log.count(sent), 1) << "one request, not two";
    controller->requestGateway();
    EXPECT_EQ(log.count(sent), 1) << "the answer is still out";
    ASSERT_TRUE(runFramesUntil([&] { return log.startingWith(failed).size() >= 2; }));
    updatetest::pumpFor(300);
    runFrames(5);
    EXPECT_EQ(log.startingWith(failed).size(), 2u) << "one answer";
    int alerts = 0;
    for (Node* child : controller->layoutRoot->getChildren())
        if (findLabel(child, gwerr_net)) ++alerts;
    EXPECT_EQ(alerts, 1) << "one alert for the one check";

    // That check ended with its alert: the new alert's button asks again.
    click(findButton(findLabel(updateScene.scene, gwerr_net)->getParent()));
    EXPECT_EQ(log.count(sent), 2);
    ASSERT_TRUE(runFramesUntil([&] { return log.startingWith(failed).size() == 3; }));
    runFrames(1);

    // While an updater runs, a retry starts nothing and leaves its progress alone.
    controller->resUpdater = new ResUpdater(controller, "http://127.0.0.1:1/res/list.json");
    updateScene.statusLabel->setString("au_update 37%");
    controller->requestGateway();
    EXPECT_EQ(log.count(sent), 2);
    EXPECT_EQ(updateScene.statusLabel->getString(), "au_update 37%");
    controller->onNoUpdate();
    EXPECT_EQ(controller->resUpdater, nullptr);
}

long waitedMs(const std::string& line) {
    std::smatch m;
    static const std::regex rx(R"(^\[ZAVU\] GET gateway sau khi cho lam nong TLS (\d+) ms \((.*)\)$)");
    if (!std::regex_match(line, m, rx)) return -1;
    return std::stol(m[1]);
}

// The only test that sets the warm-up running: the wait is counted once per
// process, from the first wait that finds the warm-up running.
TEST_F(Controller, TlsWaitIsBoundedOncePerProcess) {
    AutoUpdate* controller = AutoUpdate::getInstance();
    controller->gatewayUrl = kRefusedGateway;
    const std::string sent = std::string("get gateway ") + kRefusedGateway;
    const std::string failed = std::string("URL '") + kRefusedGateway;
    LogCapture log;
    auto answers = [&] { return log.startingWith(failed).size(); };

    // Not started, or over: the request goes at once and nothing is logged about a wait.
    for (int state : {0, 2}) {
        tlsWarmupState().exchange(state);
        const size_t before = answers();
        controller->requestGateway();
        EXPECT_EQ(log.count(sent), state == 0 ? 1 : 2);
        ASSERT_TRUE(runFramesUntil([&] { return answers() == before + 1; }));
    }
    EXPECT_TRUE(log.startingWith("[ZAVU]").empty());

    // Running: the request waits until the warm-up ends; a second request
    // during the wait does not make a second one.
    tlsWarmupState().exchange(1);
    controller->requestGateway();
    controller->requestGateway();
    EXPECT_EQ(log.count(sent), 2);
    runFrames(3);
    updatetest::pumpFor(300);
    EXPECT_EQ(log.count(sent), 2);
    tlsWarmupState().exchange(2);
    ASSERT_TRUE(runFramesUntil([&] { return log.count(sent) == 3; }));
    auto waits = log.startingWith("[ZAVU]");
    ASSERT_EQ(waits.size(), 1u);
    EXPECT_GE(waitedMs(waits[0]), 300);
    EXPECT_LT(waitedMs(waits[0]), 1500);
    EXPECT_NE(waits[0].find("(lam nong da xong)"), std::string::npos) << waits[0];
    ASSERT_TRUE(runFramesUntil([&] { return answers() == 3; }));

    // Running again before 1500 ms from the first wait: only the rest is waited.
    tlsWarmupState().exchange(1);
    controller->requestGateway();
    ASSERT_TRUE(runFramesUntil([&] { return log.count(sent) == 4; }, 5000));
    waits = log.startingWith("[ZAVU]");
    ASSERT_EQ(waits.size(), 2u);
    EXPECT_GE(waitedMs(waits[1]), 1500);
    EXPECT_LT(waitedMs(waits[1]), 2500);
    EXPECT_NE(waits[1].find("(HET HAN, luong lam nong chua xong)"), std::string::npos) << waits[1];
    ASSERT_TRUE(runFramesUntil([&] { return answers() == 4; }));

    // Later than 1500 ms after the first wait: no wait at all, even while it runs.
    controller->requestGateway();
    EXPECT_EQ(log.count(sent), 5);
    EXPECT_EQ(log.startingWith("[ZAVU]").size(), 2u);
    ASSERT_TRUE(runFramesUntil([&] { return answers() == 5; }));
    EXPECT_FALSE(Director::getInstance()->getScheduler()->isScheduled("AutoUpdate_waitTlsWarmup", controller));
}

}  // namespace
