#include "platform/webwindow/WebWindowTestSupport.h"

#include "platform/webwindow/WebWindow.h"
#include "proj.win32/TextConversion.h"

#include "base/CCAutoreleasePool.h"
#include "base/CCDirector.h"
#include "platform/CCGLViewImpl.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace webwindow_testing {

WebView2DoubleApi WebWindowTest::api;

bool pumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return done();
        MSG msg;
        // One message at a time, so a test can stop between two completions.
        while (!done() && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (!done()) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void pumpFor(int ms) {
    pumpUntil([] { return false; }, ms);
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    static int serial = 0;
    path_ = std::wstring(base) + L"webwindow-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++serial);
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;  // a leftover temp folder is no test failure
    std::filesystem::remove_all(path_, ignored);
}

void LocalAppDataTest::SetUp() { ::_wputenv((L"LOCALAPPDATA=" + appData.path()).c_str()); }

void LocalAppDataTest::TearDown() {
    cocos2d::Director::getInstance()->purgeDirector();
    cocos2d::AutoreleasePool::getInstance()->clear();
    if (gWebWindow.window) ::DestroyWindow(gWebWindow.window);
    ::_wputenv(L"LOCALAPPDATA=");
}

void LocalAppDataTest::openGameWindow() {
    auto* view = cocos2d::GLViewImpl::createWithRect("game", cocos2d::Rect(0, 0, 480, 320), 1.0f);
    ASSERT_NE(view, nullptr);
    cocos2d::Director::getInstance()->setOpenGLView(view);
    ::SetWindowPos(view->getWin32Window(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

HWND LocalAppDataTest::gameWindow() const {
    auto* view = static_cast<cocos2d::GLViewImpl*>(cocos2d::Director::getInstance()->getOpenGLView());
    return view ? view->getWin32Window() : nullptr;
}

void WebWindowTest::SetUp() {
    LocalAppDataTest::SetUp();
    static const bool loaded = api.load();
    ASSERT_TRUE(loaded) << "the test double WebView2Loader.dll must sit beside the test";
    api.reset();
    openGameWindow();
}

void WebWindowTest::TearDown() {
    gWebWindow.creationLimitMs = kWebViewCreationLimitMs;
    destroyGameWindow();
    // A window opened after the game window went has no owner to take it along.
    if (gWebWindow.window && !::IsWindow(gWebWindow.parentWindow)) ::DestroyWindow(gWebWindow.window);
    // Completions still under way come in, and find no window.
    pumpUntil([] { return api.pendingPosts() == 0; });
    EXPECT_EQ(gWebWindow.window, nullptr);
    EXPECT_FALSE(gWebWindow.controller);
    EXPECT_FALSE(gWebWindow.webView);
    EXPECT_EQ(api.liveObjects(), 0) << "every environment, controller, view and event argument is released";
    EXPECT_EQ(api.heldHandlers(), 0) << "every handler reference is given back";
    for (const std::wstring& breach : api.violations()) ADD_FAILURE() << "COM rule broken: " << wideToUtf8(breach);
    LocalAppDataTest::TearDown();
}

void WebWindowTest::destroyGameWindow() {
    cocos2d::Director::getInstance()->purgeDirector();
    cocos2d::AutoreleasePool::getInstance()->clear();
}

void WebWindowTest::openReady(const std::string& url, const std::string& package) {
    const size_t before = api.logSize();
    ASSERT_TRUE(openWebWindow(url, package));
    const std::wstring expected = L"Navigate " + utf8ToWide(url);
    ASSERT_TRUE(pumpUntil([&] {
        const auto lines = logSince(before);
        return viewReady() && !lines.empty() && lastNavigation(lines) == utf8ToWide(url);
    })) << "the view shows " << wideToUtf8(expected);
}

std::vector<std::wstring> WebWindowTest::logSince(size_t from) const {
    std::vector<std::wstring> lines = api.log();
    if (from >= lines.size()) return {};
    return std::vector<std::wstring>(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end());
}

std::wstring WebWindowTest::lastNavigation(const std::vector<std::wstring>& lines) {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (it->rfind(L"Navigate ", 0) == 0) return it->substr(9);
    return std::wstring();
}

Rgb lerp(unsigned top, unsigned bottom, double t) {
    auto channel = [t](unsigned a, unsigned b, int shift) {
        const int x = static_cast<int>((a >> shift) & 0xFF), y = static_cast<int>((b >> shift) & 0xFF);
        return static_cast<int>(x + (y - x) * t + 0.5);
    };
    return Rgb{channel(top, bottom, 16), channel(top, bottom, 8), channel(top, bottom, 0)};
}

::testing::AssertionResult closeTo(const Rgb& got, const Rgb& want, int tolerance) {
    if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
        std::abs(got.b - want.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << got.r << "," << got.g << "," << got.b << " want " << want.r
                                         << "," << want.g << "," << want.b;
}

Surface::Surface(int w, int h) : w_(w), h_(h) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc_ = ::CreateCompatibleDC(nullptr);
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = ::SelectObject(dc_, bitmap_);
    for (int i = 0; i < w * h; ++i) bits_[i] = 0x00FF00FF;  // magenta: not painted
}

Surface::~Surface() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
}

Rgb Surface::at(int x, int y) const {
    const unsigned p = bits_[y * w_ + x];
    return Rgb{static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
}

std::wstring userSite() { return L"https://" + utf8ToWide(USER_SITE_HOST); }
std::string userSiteUtf8() { return std::string("https://") + USER_SITE_HOST; }

}  // namespace webwindow_testing
