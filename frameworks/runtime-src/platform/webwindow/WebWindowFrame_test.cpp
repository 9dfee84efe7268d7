// The web window's frame: initial rectangle and geometry file, toolbar
// layout, button hover/press tracking and the painted pixels.
#include "platform/webwindow/WebWindowTestSupport.h"

#include "base/CCDirector.h"
#include "proj.win32/ScopedHandle.h"

#include "../../../../tests/support/ImportPatch_win.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

using namespace webwindow_testing;

namespace {

class WebWindowFrame : public LocalAppDataTest {
protected:
    void TearDown() override {
        if (gWebWindow.window) ::DestroyWindow(gWebWindow.window);
        LocalAppDataTest::TearDown();
    }
    std::wstring geometryFile() const { return appData.path() + L"\\ZAVU\\paywin.txt"; }
    void writeGeometry(const std::string& text) const {
        ::CreateDirectoryW((appData.path() + L"\\ZAVU").c_str(), nullptr);
        std::ofstream(geometryFile().c_str(), std::ios::binary) << text;
    }
    std::string readGeometry() const {
        std::ifstream in(geometryFile().c_str(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static RECT windowRect() {
        RECT r = {};
        ::GetWindowRect(gWebWindow.window, &r);
        return r;
    }
    // Gives the window a client area of the given size.
    static void setClientSize(int width, int height) {
        RECT want = {0, 0, width, height};
        ::AdjustWindowRectEx(&want, static_cast<DWORD>(::GetWindowLongW(gWebWindow.window, GWL_STYLE)), FALSE, 0);
        ::SetWindowPos(gWebWindow.window, nullptr, 0, 0, want.right - want.left, want.bottom - want.top,
                       SWP_NOMOVE | SWP_NOZORDER);
    }
    static RECT childRect(HWND child) {
        RECT r = {};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, gWebWindow.window, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
};

std::string rectText(const RECT& r) {
    char text[64];
    std::snprintf(text, sizeof text, "%ld %ld %ld %ld", static_cast<long>(r.left), static_cast<long>(r.top),
                  static_cast<long>(r.right - r.left), static_cast<long>(r.bottom - r.top));
    return text;
}

}  // namespace

TEST_F(WebWindowFrame, ClassStyleTitleAndButtons) {
    ASSERT_TRUE(createWebWindow());
    HWND w = gWebWindow.window;
    wchar_t name[64] = {};
    ::GetClassNameW(w, name, 64);
    EXPECT_STREQ(name, L"ZAVUPayWebViewWindow");
    // The system adds WS_CLIPSIBLINGS to every top-level window.
    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongW(w, GWL_STYLE)) & 0xFFFF0000u & ~static_cast<DWORD>(WS_CLIPSIBLINGS),
              0x80CC0000u);
    EXPECT_FALSE(::IsWindowVisible(w)) << "hidden until an opening shows it";
    // Nothing is painted below the toolbar until the view exists: no brush, no erasing.
    EXPECT_EQ(::GetClassLongPtrW(w, GCLP_HBRBACKGROUND), 0);
    {
        ScopedWindowDC dc(w);
        EXPECT_EQ(::SendMessageW(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0), 1);
    }
    wchar_t title[64] = {};
    ::GetWindowTextW(w, title, 64);
    EXPECT_STREQ(title, L"N\u1EA1p th\u1EBB - H\u1EA3i V\u00E2n Truy\u1EC7n");
    const struct {
        HWND button;
        int id;
        const wchar_t* text;
    } buttons[] = {{gWebWindow.closeButton, 1001, L"V\u1EC1 game"},
                   {gWebWindow.backButton, 1002, L"Quay l\u1EA1i"},
                   {gWebWindow.homeButton, 1003, L"Trang ch\u1EE7"}};
    for (const auto& b : buttons) {
        ASSERT_NE(b.button, nullptr);
        EXPECT_EQ(::GetDlgCtrlID(b.button), b.id);
        wchar_t text[32] = {};
        ::GetWindowTextW(b.button, text, 32);
        EXPECT_STREQ(text, b.text);
        EXPECT_EQ(::GetWindowLongW(b.button, GWL_STYLE) & 0x0F, BS_OWNERDRAW);
    }
    EXPECT_TRUE(createWebWindow()) << "an existing window is kept";
    EXPECT_EQ(gWebWindow.window, w);
}

TEST_F(WebWindowFrame, InitialRectangleFromFileGameWindowOrDefault) {
    const struct Case {
        const char* file;  // nullptr: no file
        bool gameWindow;
        const char* expected;  // nullptr: the game window's rectangle
    } cases[] = {
        {nullptr, true, nullptr},
        {"100 120 640 480", true, "100 120 640 480"},
        {"100 120 640 480", false, "100 120 640 480"},
        {"100 100 300 300", true, "100 100 300 300"},
        {"100 100 299 500", true, nullptr},
        {"100 100 500 299", true, nullptr},
        {"100 100 640", true, nullptr},
        {"-5000 -5000 400 400", true, nullptr},
        {"20000 100 400 400", true, nullptr},
        {"abc def", true, nullptr},
        {"2147483000 0 2000 2000", true, nullptr},
        {"", true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "no file");
        ::DeleteFileW(geometryFile().c_str());
        if (c.file) writeGeometry(c.file);
        if (c.gameWindow) openGameWindow();
        ASSERT_TRUE(createWebWindow());
        RECT game = {};
        if (c.gameWindow) ::GetWindowRect(gameWindow(), &game);
        EXPECT_EQ(rectText(windowRect()), c.expected ? std::string(c.expected) : rectText(game));
        ::DestroyWindow(gWebWindow.window);
        cocos2d::Director::getInstance()->purgeDirector();
    }
}

TEST_F(WebWindowFrame, WithoutFileOrGameWindowTheDefaultSizeIsUsed) {
    ASSERT_TRUE(createWebWindow());
    const RECT r = windowRect();
    EXPECT_EQ(r.right - r.left, 900);
    EXPECT_EQ(r.bottom - r.top, 1000);
    EXPECT_EQ(gWebWindow.parentWindow, nullptr);
}

TEST_F(WebWindowFrame, WithoutLocalAppDataNoFileIsReadOrWritten) {
    ::_wputenv(L"LOCALAPPDATA=");
    EXPECT_EQ(geometryFilePath(), L"");
    int x = 1, y = 2, w = 3, h = 4;
    EXPECT_FALSE(loadWindowGeometry(x, y, w, h));
    EXPECT_EQ(x + y + w + h, 10) << "outputs untouched";
    ASSERT_TRUE(createWebWindow());
    saveWindowGeometry(gWebWindow.window);  // nothing to write to, and no crash
}

TEST_F(WebWindowFrame, TheEndOfAMoveOrResizeIsSavedButNotWhenMinimised) {
    ASSERT_TRUE(createWebWindow());
    ::ShowWindow(gWebWindow.window, SW_SHOW);
    ::SetWindowPos(gWebWindow.window, nullptr, 60, 70, 520, 610, SWP_NOZORDER);
    ::SendMessageW(gWebWindow.window, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(readGeometry(), "60 70 520 610");
    EXPECT_EQ(::GetFileAttributesW((geometryFile() + L".tmp").c_str()), INVALID_FILE_ATTRIBUTES) << "no leftover";
    // A later move replaces the whole record.
    ::SetWindowPos(gWebWindow.window, nullptr, 5, 6, 1000, 700, SWP_NOZORDER);
    ::SendMessageW(gWebWindow.window, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(readGeometry(), "5 6 1000 700");
    ::SetWindowPos(gWebWindow.window, nullptr, 60, 70, 520, 610, SWP_NOZORDER);
    ::SendMessageW(gWebWindow.window, WM_EXITSIZEMOVE, 0, 0);

    ::ShowWindow(gWebWindow.window, SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(gWebWindow.window));
    ::SendMessageW(gWebWindow.window, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(readGeometry(), "60 70 520 610");

    // What was saved is where the next window is made.
    ::DestroyWindow(gWebWindow.window);
    ASSERT_TRUE(createWebWindow());
    EXPECT_EQ(rectText(windowRect()), "60 70 520 610");
}

TEST_F(WebWindowFrame, ButtonsFollowTheClientWidth) {
    ASSERT_TRUE(createWebWindow());
    for (const auto& c : {std::pair<int, int>{800, 622}, std::pair<int, int>{460, 282}, std::pair<int, int>{300, 282}}) {
        setClientSize(c.first, 400);
        RECT client;
        ::GetClientRect(gWebWindow.window, &client);
        ASSERT_EQ(client.right, c.first);
        EXPECT_EQ(rectText(childRect(gWebWindow.closeButton)), std::to_string(c.second) + " 8 168 36")
            << "client width " << c.first;
        EXPECT_EQ(rectText(childRect(gWebWindow.backButton)), "10 8 128 36");
        EXPECT_EQ(rectText(childRect(gWebWindow.homeButton)), "146 8 128 36");
    }
}

TEST_F(WebWindowFrame, HoverAndPressRepaintOnlyOnChange) {
    ASSERT_TRUE(createWebWindow());
    ::ShowWindow(gWebWindow.window, SW_SHOW);
    HWND b = gWebWindow.homeButton;
    const ButtonState& state = buttonStateFor(b);
    auto invalidated = [b] {
        RECT r;
        const bool dirty = ::GetUpdateRect(b, &r, FALSE) != 0;
        ::ValidateRect(b, nullptr);
        return dirty;
    };
    ::UpdateWindow(b);
    invalidated();
    const struct {
        UINT message;
        bool hover, pressed, repaint;
    } steps[] = {
        {WM_MOUSEMOVE, true, false, true},       {WM_MOUSEMOVE, true, false, false},
        {WM_LBUTTONDOWN, true, true, true},      {WM_MOUSELEAVE, false, true, true},
        {WM_CAPTURECHANGED, false, false, true},  // released after dragging off
        {WM_LBUTTONUP, false, false, false},     {WM_MOUSEMOVE, true, false, true},
        {WM_LBUTTONDOWN, true, true, true},      {WM_LBUTTONUP, true, false, true},
        {WM_MOUSELEAVE, false, false, true},     {WM_MOUSELEAVE, false, false, false},
    };
    int i = 0;
    for (const auto& s : steps) {
        if (s.message == WM_CAPTURECHANGED)
            ::ReleaseCapture();  // the real loss of capture, as when the press ends elsewhere
        else
            ::SendMessageW(b, s.message, 0, MAKELPARAM(5, 5));
        EXPECT_EQ(state.hover, s.hover) << "step " << i;
        EXPECT_EQ(state.pressed, s.pressed) << "step " << i;
        EXPECT_EQ(invalidated(), s.repaint) << "step " << i;
        ++i;
    }
    EXPECT_EQ(&buttonStateFor(b), &state) << "one record per button";
    // Destroyed while pressed: the button loses its capture on the way out.
    ::SendMessageW(b, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    ASSERT_EQ(::GetCapture(), b);
    ::DestroyWindow(gWebWindow.window);
    for (const ButtonState& s : gWebWindow.buttonStates) EXPECT_EQ(s.hwnd, nullptr) << "reset on destruction";
}

namespace {

// The leave notices the buttons ask for, in order.
struct LeaveRequest {
    DWORD flags;
    HWND window;
};
std::vector<LeaveRequest> gLeaveRequests;
testsupport::ImportPatch* gTrackPatch = nullptr;

BOOL WINAPI recordTrackMouseEvent(LPTRACKMOUSEEVENT track) {
    gLeaveRequests.push_back({track->dwFlags, track->hwndTrack});
    return gTrackPatch->original<BOOL(WINAPI*)(LPTRACKMOUSEEVENT)>()(track);
}

}  // namespace

// Hover ends when the system says the mouse left: the button must have asked
// for that notice. The messages are sent here, so the shared cursor never moves.
TEST_F(WebWindowFrame, HoverAsksForTheLeaveNoticeOncePerEntry) {
    ASSERT_TRUE(createWebWindow());
    ::ShowWindow(gWebWindow.window, SW_SHOW);
    HWND b = gWebWindow.backButton;
    testsupport::ImportPatch patch("user32.dll", "TrackMouseEvent", reinterpret_cast<const void*>(&recordTrackMouseEvent));
    ASSERT_TRUE(patch.applied()) << "the program never calls TrackMouseEvent";
    gTrackPatch = &patch;
    gLeaveRequests.clear();
    std::vector<size_t> afterStep;
    for (const UINT message : {WM_MOUSEMOVE, WM_MOUSEMOVE, WM_MOUSELEAVE, WM_MOUSEMOVE}) {
        ::SendMessageW(b, message, 0, MAKELPARAM(5, 5));
        afterStep.push_back(gLeaveRequests.size());
    }
    const std::vector<LeaveRequest> requests = gLeaveRequests;
    gTrackPatch = nullptr;
    EXPECT_EQ(afterStep, (std::vector<size_t>{1, 1, 1, 2})) << "asked on entering, again after each leave";
    for (const LeaveRequest& r : requests) {
        EXPECT_EQ(r.flags, static_cast<DWORD>(TME_LEAVE));
        EXPECT_EQ(r.window, b);
    }
}

// ---- pixels ----

namespace {
constexpr int kTolerance = 10;
}  // namespace

TEST_F(WebWindowFrame, ToolbarStripGradientAndBottomLine) {
    ASSERT_TRUE(createWebWindow());
    setClientSize(600, 400);
    ASSERT_NE(gWebWindow.gdiplusToken, 0u);
    Surface s(600, 60);
    paintToolbar(gWebWindow.window, s.dc());
    for (const int y : {1, 26, 49}) {
        const Rgb want = lerp(0xFF2A241E, 0xFF1B1713, (y + 0.5) / 52.0);
        EXPECT_TRUE(closeTo(s.at(300, y), want, kTolerance)) << "y " << y;
        EXPECT_TRUE(closeTo(s.at(2, y), want, kTolerance)) << "left edge, y " << y;
        EXPECT_TRUE(closeTo(s.at(597, y), want, kTolerance)) << "right edge, y " << y;
    }
    EXPECT_TRUE(closeTo(s.at(300, 51), Rgb{0x4A, 0x3C, 0x2A}, kTolerance)) << "bottom line";
    EXPECT_TRUE(closeTo(s.at(300, 55), Rgb{0xFF, 0x00, 0xFF}, 0)) << "nothing below the strip";
}

TEST_F(WebWindowFrame, ButtonFacesInNormalHoverAndPressedStates) {
    ASSERT_TRUE(createWebWindow());
    HWND b = gWebWindow.backButton;
    const int w = 128, h = 36;
    struct Case {
        const char* name;
        bool hover, pressed;
        unsigned top, bottom;
        bool gloss;
    };
    const Case cases[] = {
        {"normal", false, false, 0xFFE3BB5A, 0xFFB8882A, true},
        {"hover", true, false, 0xFFF2CE74, 0xFFC99835, true},
        {"pressed", true, true, 0xFFB8882A, 0xFFE3BB5A, false},
        {"pressed without hover", false, true, 0xFFB8882A, 0xFFE3BB5A, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ButtonState& state = buttonStateFor(b);
        state.hover = c.hover;
        state.pressed = c.pressed;
        Surface s(w, h);
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_BUTTON;
        item.CtlID = kBackButtonId;
        item.hwndItem = b;
        item.hDC = s.dc();
        item.rcItem = RECT{0, 0, w, h};
        drawToolbarButton(&item);
        // Flat face spots right of the text, in the lower part (below the gloss) and in the upper part.
        const double faceSpan = h - 2.0;
        for (const int y : {28, 31}) {
            const Rgb want = lerp(c.top, c.bottom, (y + 0.5 - 1.0) / faceSpan);
            EXPECT_TRUE(closeTo(s.at(118, y), want, kTolerance)) << "face at y " << y;
        }
        const Rgb faceAt6 = lerp(c.top, c.bottom, (6.5 - 1.0) / faceSpan);
        const Rgb got6 = s.at(118, 6);
        if (c.gloss) {
            EXPECT_GT(got6.r + got6.g + got6.b, faceAt6.r + faceAt6.g + faceAt6.b + 20) << "the gloss lightens the top";
        } else {
            EXPECT_TRUE(closeTo(got6, faceAt6, kTolerance)) << "no gloss when pressed";
        }
        // The corner shows the toolbar strip behind the button (top 8 in the window).
        EXPECT_TRUE(closeTo(s.at(0, 0), lerp(0xFF2A241E, 0xFF1B1713, 8.5 / 52.0), kTolerance)) << "corner";
        // The icon's ink, at the middle of the left-pointing triangle.
        const int cy = h / 2 + (c.pressed ? 1 : 0);
        EXPECT_TRUE(closeTo(s.at(23, cy), Rgb{0x2B, 0x1C, 0x05}, 24)) << "icon";
    }
    for (const int size : {2, 1}) {
        Surface s(8, 8);
        DRAWITEMSTRUCT item = {};
        item.CtlID = kBackButtonId;
        item.hwndItem = b;
        item.hDC = s.dc();
        item.rcItem = RECT{0, 0, size, 8};
        drawToolbarButton(&item);
        EXPECT_TRUE(closeTo(s.at(0, 0), Rgb{0xFF, 0x00, 0xFF}, 0)) << "a button " << size << " wide is not painted";
    }
}

TEST_F(WebWindowFrame, HomeButtonShowsTheHouse) {
    ASSERT_TRUE(createWebWindow());
    Surface s(128, 36);
    DRAWITEMSTRUCT item = {};
    item.CtlID = kHomeButtonId;
    item.hwndItem = gWebWindow.homeButton;
    item.hDC = s.dc();
    item.rcItem = RECT{0, 0, 128, 36};
    drawToolbarButton(&item);
    // Inside the house body (x 18-26, y cy-0.5 .. cy+5.5) but outside the triangle of the other buttons.
    EXPECT_TRUE(closeTo(s.at(19, 21), Rgb{0x2B, 0x1C, 0x05}, 24));
    EXPECT_TRUE(closeTo(s.at(22, 13), Rgb{0x2B, 0x1C, 0x05}, 40)) << "the roof's peak";
}
