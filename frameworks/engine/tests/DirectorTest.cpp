// Director frames and the Application run loop on a real window.
#include "base/CCAutoreleasePool.h"
#include "base/CCDirector.h"
#include "base/CCScheduler.h"
#include "platform/CCApplication.h"
#include "platform/CCGLViewImpl.h"
#include "platform/Windows_win.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace cocos2d;

namespace {

int timerTarget;

class DirectorFrames : public ::testing::Test {
protected:
    void SetUp() override {
        director = Director::getInstance();
        director->startAnimation();
    }
    void TearDown() override { director->purgeDirector(); }
    Director* director = nullptr;
};

TEST_F(DirectorFrames, SchedulerTicksWithoutAViewAndNotWhileStopped) {
    std::vector<float> dts;
    director->getScheduler()->schedule([&](float dt) { dts.push_back(dt); }, &timerTarget, 0.0f, false, "tick");
    const unsigned int frames = director->getTotalFrames();

    director->mainLoop(0.5f); // first frame after start: dt 0, and the timer's first visit
    director->mainLoop(0.5f);
    director->stopAnimation();
    EXPECT_TRUE(director->isAnimationStopped());
    director->mainLoop(0.5f);
    director->mainLoop();
    EXPECT_EQ(dts, std::vector<float>{0.5f});
    EXPECT_EQ(director->getTotalFrames(), frames + 2);

    director->startAnimation(); // the next dt is 0 whatever the caller says
    director->mainLoop(0.5f);
    director->mainLoop(0.25f);
    EXPECT_EQ(dts, (std::vector<float>{0.5f, 0.0f, 0.25f}));
}

TEST_F(DirectorFrames, MeasuredFrameStartsAtZeroAfterStart) {
    director->mainLoop();
    EXPECT_EQ(director->getDeltaTime(), 0.0f);
    ::Sleep(20);
    director->mainLoop();
    EXPECT_GT(director->getDeltaTime(), 0.0f);
    EXPECT_LT(director->getDeltaTime(), 5.0f);
}

TEST_F(DirectorFrames, EndStopsFramesAndPurgeResetsIt) {
    int runs = 0;
    director->getScheduler()->schedule([&](float) { ++runs; }, &timerTarget, 0.0f, false, "tick");
    director->mainLoop(0.0f);
    director->end();
    EXPECT_TRUE(director->isEnding());
    director->mainLoop(0.0f);
    EXPECT_EQ(runs, 0);
    director->purgeDirector();
    EXPECT_FALSE(director->isEnding());
    EXPECT_FALSE(director->getScheduler()->isScheduled("tick", &timerTarget));
}

TEST_F(DirectorFrames, AutoreleasedObjectsAreFreedAtTheEndOfTheFrame) {
    struct Tracked : Ref {
        explicit Tracked(bool* alive) : alive(alive) { *alive = true; }
        ~Tracked() override { *alive = false; }
        bool* alive;
    };
    bool alive = false;
    (new Tracked(&alive))->autorelease();
    EXPECT_TRUE(alive);
    director->mainLoop(0.0f);
    EXPECT_FALSE(alive);
}

// --- Application::run on a real window ------------------------------------

WNDPROC g_previousProc = nullptr;
int g_destroyMessages = 0;

LRESULT CALLBACK countingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) ++g_destroyMessages;
    return ::CallWindowProcW(g_previousProc, hwnd, msg, wParam, lParam);
}

// Creates the window in applicationDidFinishLaunching (as the host does) and
// runs a scripted action from a scheduler timer.
class ScriptedApp : public Application {
public:
    std::function<void(HWND)> onFrame;
    bool launchResult = true;
    bool createWindow = true;
    int glAttrsCalls = 0;
    HWND hwnd = nullptr;
    int frames = 0;

    void initGLContextAttrs() override { ++glAttrsCalls; }
    bool applicationDidFinishLaunching() override {
        if (!launchResult) return false;
        Director* director = Director::getInstance();
        director->setAnimationInterval(1.0f / 120.0f);
        if (createWindow) {
            GLViewImpl* view = GLViewImpl::createWithRect("run loop", Rect(0, 0, 320, 240));
            if (!view) return false;
            director->setOpenGLView(view);
            hwnd = view->getWin32Window();
            g_destroyMessages = 0;
            g_previousProc = reinterpret_cast<WNDPROC>(
                ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&countingProc)));
        }
        director->getScheduler()->schedule(
            [this](float) {
                ++frames;
                if (onFrame) onFrame(hwnd);
            },
            this, 0.0f, false, "script");
        return true;
    }
    void applicationDidEnterBackground() override {}
    void applicationWillEnterForeground() override {}
};

TEST(ApplicationRun, ReturnsOneWhenLaunchingFails) {
    ScriptedApp app;
    app.launchResult = false;
    EXPECT_EQ(app.run(), 1);
    EXPECT_EQ(app.glAttrsCalls, 1);
}

TEST(ApplicationRun, WindowCloseEndsTheLoopAndDestroysTheWindowThroughSubclasses) {
    ScriptedApp app;
    ASSERT_EQ(Application::getInstance(), &app);
    app.onFrame = [&](HWND hwnd) {
        if (app.frames == 3) ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(app.run(), 0);
    EXPECT_GE(app.frames, 3);
    EXPECT_LE(app.frames, 5); // the close is seen within a frame or two
    EXPECT_FALSE(::IsWindow(app.hwnd));
    EXPECT_EQ(g_destroyMessages, 1);
    EXPECT_EQ(Director::getInstance()->getOpenGLView(), nullptr);
}

TEST(ApplicationRun, DirectorEndLeavesTheLoopAtTheNextFrame) {
    ScriptedApp app;
    app.onFrame = [&](HWND) {
        if (app.frames == 2) Director::getInstance()->end();
    };
    EXPECT_EQ(app.run(), 0);
    EXPECT_EQ(app.frames, 2);
    EXPECT_FALSE(::IsWindow(app.hwnd));
    EXPECT_EQ(g_destroyMessages, 1);
}

TEST(ApplicationRun, RunsFramesWithoutAWindowUntilEnd) {
    ScriptedApp app;
    app.createWindow = false;
    app.onFrame = [&](HWND) {
        if (app.frames == 5) Director::getInstance()->end();
    };
    EXPECT_EQ(app.run(), 0);
    EXPECT_EQ(app.frames, 5);
}

TEST(Application, SharedInstanceFollowsLifetimeAndLanguageCodeIsTwoLetters) {
    {
        ScriptedApp app;
        EXPECT_EQ(Application::getInstance(), &app);
        const std::string code = app.getCurrentLanguageCode();
        ASSERT_EQ(code.size(), 2u);
        EXPECT_TRUE(code[0] >= 'a' && code[0] <= 'z' && code[1] >= 'a' && code[1] <= 'z') << code;
        EXPECT_EQ(app.getTargetPlatform(), ApplicationProtocol::Platform::OS_WINDOWS);
        app.setAnimationInterval(0.5f);
        EXPECT_EQ(Director::getInstance()->getAnimationInterval(), 0.5f);
    }
    EXPECT_EQ(Application::getInstance(), nullptr);
}

} // namespace
