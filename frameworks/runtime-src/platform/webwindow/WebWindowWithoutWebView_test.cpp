// The two "no web view" cases, each in a process of its own (the loader is
// looked for once per process): no "WebView2Loader.dll" at all, and one that
// lacks the loader entry. tests/webview2-double/run_without_webview.py copies
// the test program into an empty folder (with the entry-less double for the
// second case) and runs only these tests there.
#include "platform/webwindow/WebWindow.h"
#include "platform/webwindow/WebWindowTestSupport.h"

#include <cstdlib>
#include <memory>

using namespace webwindow_testing;

class IsolatedWithoutWebView : public LocalAppDataTest {};

TEST_F(IsolatedWithoutWebView, EveryOpeningFailsWithoutTouchingAnything) {
    const char* which = std::getenv("WEBWINDOW_ISOLATED");
    ASSERT_NE(which, nullptr) << "run through run_without_webview.py";
    const bool entryless = std::string(which) == "without-entry";
    openGameWindow();

    auto calls = std::make_shared<int>(0);
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_FALSE(openWebWindow("https://pay.example.test/a", "p"));
        EXPECT_FALSE(openWebLogin("https://login.example.test/", "https://game.example.test/cb",
                                  [calls](const std::string&) { ++*calls; }));
    }
    EXPECT_EQ(*calls, 0);
    EXPECT_EQ(calls.use_count(), 1) << "the failed login's callback is dropped";
    EXPECT_FALSE(gWebWindow.intercepting);
    EXPECT_EQ(gWebWindow.window, nullptr) << "no window is made without a web view";
    EXPECT_TRUE(gWebWindow.loaderTried);
    EXPECT_EQ(gWebWindow.createEnvironment, nullptr);
    EXPECT_EQ(::GetModuleHandleW(L"WebView2Loader.dll") != nullptr, entryless)
        << "the entry-less library is loaded; a missing one is not";
}
