// Shared set-up of the web window tests: a real game window on the engine's
// GL view, the WebView2 test double beside the executable, a private
// LOCALAPPDATA, and message pumping with a time limit.
#pragma once

#include "platform/webwindow/WebWindowState.h"

#include "../../../../tests/webview2-double/WebView2Double.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace webwindow_testing {

// Dispatches this thread's messages until done() holds or timeoutMs passes;
// returns done()'s last answer.
bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
// Dispatches messages for ms milliseconds (for checks that something does not happen).
void pumpFor(int ms);

// A unique folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

// Base fixture: LOCALAPPDATA points into a temp folder for the test's life.
class LocalAppDataTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The game window of the engine's director, 480 x 320 at (40, 30).
    void openGameWindow();
    HWND gameWindow() const;
    TempFolder appData;
};

// With the double loaded and reset and a game window open. TearDown destroys
// the game window (and with it the web window) and checks that the double's
// objects and the handler references it holds are all released.
class WebWindowTest : public LocalAppDataTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens and waits until the view exists and the first Navigate was made.
    void openReady(const std::string& url, const std::string& package = std::string());
    bool viewReady() const { return gWebWindow.webView && gWebWindow.controller && !gWebWindow.creating; }
    bool visible() const { return gWebWindow.window && ::IsWindowVisible(gWebWindow.window); }
    std::vector<std::wstring> log() const { return api.log(); }
    // The log lines after the first `from` entries.
    std::vector<std::wstring> logSince(size_t from) const;
    static std::wstring lastNavigation(const std::vector<std::wstring>& lines);
    void destroyGameWindow();

    static WebView2DoubleApi api;
};

std::wstring userSite();  // "https://" + the user site's host
std::string userSiteUtf8();

// ---- pixels ----

struct Rgb {
    int r, g, b;
};

// The colour at t (0 at top, 1 at bottom) between two ARGB colours.
Rgb lerp(unsigned top, unsigned bottom, double t);

::testing::AssertionResult closeTo(const Rgb& got, const Rgb& want, int tolerance);

// A 32-bit memory surface to paint into and read back, magenta (not painted) at first.
class Surface {
public:
    Surface(int w, int h);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    HDC dc() const { return dc_; }
    int width() const { return w_; }
    int height() const { return h_; }
    Rgb at(int x, int y) const;

private:
    int w_, h_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    unsigned* bits_ = nullptr;
};

}  // namespace webwindow_testing
