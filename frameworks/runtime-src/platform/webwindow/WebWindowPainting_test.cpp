// The web window as the screen shows it: the toolbar strip painted through
// the window's own WM_PAINT, the buttons' faces and labels through their own
// painting (WM_DRAWITEM to the window), and hover as the window's messages
// make it. The pixels are read off the screen, so these tests run on an X
// display of their own (tests/webview2-double/run_on_private_display.py),
// where no window of another test can cover them.
#include "platform/webwindow/WebWindowTestSupport.h"

#include "proj.win32/ScopedHandle.h"

#include <algorithm>
#include <cstdlib>
#include <string>

using namespace webwindow_testing;

namespace {

constexpr int kTolerance = 10;
constexpr unsigned kFaceTop = 0xFFE3BB5A, kFaceBottom = 0xFFB8882A;
constexpr unsigned kHoverTop = 0xFFF2CE74, kHoverBottom = 0xFFC99835;

class WebWindowOnItsOwnDisplay : public WebWindowTest {
protected:
    void SetUp() override {
        WebWindowTest::SetUp();
        ASSERT_NE(std::getenv("WEBWINDOW_PRIVATE_DISPLAY"), nullptr)
            << "run through run_on_private_display.py: these tests read the screen";
        openReady("https://pay.example.test/a");
    }
    static RECT childRect(HWND child) {
        RECT r = {};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, gWebWindow.window, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    // Magenta over a rectangle of the client area: what is not painted again shows.
    static void spoil(const RECT& r) {
        ScopedWindowDC dc(gWebWindow.window);
        HBRUSH magenta = ::CreateSolidBrush(RGB(0xFF, 0x00, 0xFF));
        ::FillRect(dc.get(), &r, magenta);
        ::DeleteObject(magenta);
        ::GdiFlush();
    }
    // What the screen shows of the client area from (x, y), the surface's size.
    static void capture(Surface& s, int x, int y) {
        ::GdiFlush();
        ScopedWindowDC dc(gWebWindow.window);
        ASSERT_TRUE(::BitBlt(s.dc(), 0, 0, s.width(), s.height(), dc.get(), x, y, SRCCOPY));
    }
    // Repaints a button now, through its own WM_PAINT, and reads it back.
    static void paintAndCapture(HWND button, Surface& s) {
        const RECT r = childRect(button);
        spoil(r);
        ::RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        capture(s, r.left, r.top);
    }
    // The face right of the label, below the gloss.
    static Rgb faceSpot(const Surface& s) { return s.at(s.width() - 10, 28); }
    static Rgb face(unsigned top, unsigned bottom) { return lerp(top, bottom, (28.5 - 1.0) / 34.0); }
};

}  // namespace

TEST_F(WebWindowOnItsOwnDisplay, TheToolbarStripIsPaintedThroughWmPaint) {
    RECT client;
    ASSERT_TRUE(::GetClientRect(gWebWindow.window, &client));
    spoil(client);
    ::RedrawWindow(gWebWindow.window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Surface s(client.right, 60);
    capture(s, 0, 0);
    // Left of "Quay lai" and between it and "Trang chu": the strip itself.
    for (const int x : {3, 142}) {
        for (const int y : {1, 26, 49}) {
            const Rgb want = lerp(0xFF2A241E, 0xFF1B1713, (y + 0.5) / 52.0);
            EXPECT_TRUE(closeTo(s.at(x, y), want, kTolerance)) << "x " << x << ", y " << y;
        }
        EXPECT_TRUE(closeTo(s.at(x, 51), Rgb{0x4A, 0x3C, 0x2A}, kTolerance)) << "bottom line at x " << x;
    }
}

TEST_F(WebWindowOnItsOwnDisplay, EachButtonDrawsItsFaceAndLabel) {
    const struct {
        const char* name;
        HWND button;
    } buttons[] = {
        {"Ve game", gWebWindow.closeButton},
        {"Quay lai", gWebWindow.backButton},
        {"Trang chu", gWebWindow.homeButton},
    };
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.name);
        ASSERT_NE(b.button, nullptr);
        const RECT r = childRect(b.button);
        Surface s(r.right - r.left, r.bottom - r.top);
        paintAndCapture(b.button, s);
        EXPECT_TRUE(closeTo(faceSpot(s), face(kFaceTop, kFaceBottom), kTolerance)) << "the golden face";
        // The label's ink: dark pixels right of the icon, inside the border.
        int ink = 0, left = s.width(), right = -1;
        for (int y = 4; y < s.height() - 4; ++y) {
            for (int x = 32; x < s.width() - 12; ++x) {
                const Rgb p = s.at(x, y);
                if (p.r < 0x90 && p.g < 0x70 && p.b < 0x50) {
                    ++ink;
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        EXPECT_GE(ink, 40) << "the label is drawn";
        EXPECT_GE(right - left, 30) << "across the width of a word";
    }
}

TEST_F(WebWindowOnItsOwnDisplay, HoverShowsAndGoesThroughTheButtonsMessages) {
    HWND b = gWebWindow.homeButton;
    const RECT r = childRect(b);
    Surface normal(r.right - r.left, r.bottom - r.top), hover(r.right - r.left, r.bottom - r.top),
        left(r.right - r.left, r.bottom - r.top);
    paintAndCapture(b, normal);
    EXPECT_TRUE(closeTo(faceSpot(normal), face(kFaceTop, kFaceBottom), kTolerance));

    ::SendMessageW(b, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ::UpdateWindow(b);
    capture(hover, r.left, r.top);
    EXPECT_TRUE(closeTo(faceSpot(hover), face(kHoverTop, kHoverBottom), kTolerance)) << "the hover face";

    // The leave notice the button asked for, as the system would send it.
    ::SendMessageW(b, WM_MOUSELEAVE, 0, 0);
    ::UpdateWindow(b);
    capture(left, r.left, r.top);
    EXPECT_TRUE(closeTo(faceSpot(left), face(kFaceTop, kFaceBottom), kTolerance)) << "back to the normal face";
}
