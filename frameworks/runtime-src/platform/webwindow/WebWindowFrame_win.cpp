// The web window's frame: its class and creation with the initial rectangle,
// the three owner-drawn toolbar buttons and their hover/press tracking, and
// the layout of buttons and web view. Main thread only.
#include "platform/webwindow/WebWindowState.h"

#include "cocos2d.h"

#include <algorithm>

namespace {

constexpr wchar_t kWindowClass[] = L"ZAVUPayWebViewWindow";
constexpr wchar_t kWindowTitle[] = L"N\u1EA1p th\u1EBB - H\u1EA3i V\u00E2n Truy\u1EC7n";
// Caption, close box and sizing border; no minimise or maximise box; hidden at creation.
constexpr DWORD kWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;
constexpr int kDefaultWidth = 900;
constexpr int kDefaultHeight = 1000;
constexpr int kButtonTop = 8;
constexpr int kButtonHeight = 36;
constexpr int kCloseButtonMinLeft = 282;   // right of "Trang chủ", which ends at 274
constexpr int kCloseButtonRightGap = 178;  // its width 168 and a 10-pixel margin

struct ToolbarButtonInfo {
    int id;
    HWND WebWindow::*field;
    const wchar_t* text;
    int width;
};

// Creation order: 1001, 1002, 1003.
constexpr ToolbarButtonInfo kButtons[] = {
    {kCloseButtonId, &WebWindow::closeButton, L"V\u1EC1 game", 168},
    {kBackButtonId, &WebWindow::backButton, L"Quay l\u1EA1i", 128},
    {kHomeButtonId, &WebWindow::homeButton, L"Trang ch\u1EE7", 128},
};

HWND gameWindow() {
    auto* view = static_cast<cocos2d::GLViewImpl*>(cocos2d::Director::getInstance()->getOpenGLView());
    return view ? view->getWin32Window() : nullptr;
}

bool registerClassOnce() {
    WebWindow& s = gWebWindow;
    if (s.classRegistered) return true;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &webWindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;  // no background brush: WM_ERASEBKGND erases nothing
    if (!::RegisterClassExW(&wc)) return false;
    s.classRegistered = true;
    return true;
}

void repaint(HWND button) { ::InvalidateRect(button, nullptr, FALSE); }

}  // namespace

bool createWebWindow() {
    WebWindow& s = gWebWindow;
    if (s.window) return true;
    if (!registerClassOnce()) return false;
    startGdiplusOnce();

    int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = kDefaultWidth, height = kDefaultHeight;
    s.parentWindow = gameWindow();
    RECT game;
    if (s.parentWindow && ::GetWindowRect(s.parentWindow, &game)) {
        x = game.left;
        y = game.top;
        width = game.right - game.left;
        height = game.bottom - game.top;
    }
    loadWindowGeometry(x, y, width, height);  // leaves the four alone when there is no usable file

    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    s.window = ::CreateWindowExW(0, kWindowClass, kWindowTitle, kWindowStyle, x, y, width, height, s.parentWindow,
                                 nullptr, instance, nullptr);
    if (!s.window) return false;

    for (const ToolbarButtonInfo& b : kButtons) {
        HWND button = ::CreateWindowExW(0, L"BUTTON", b.text, kButtonStyle, 0, kButtonTop, b.width, kButtonHeight,
                                        s.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.id)), instance,
                                        nullptr);
        s.*b.field = button;
        if (!button) continue;  // a missing button does not fail the window
        // SetWindowLongPtrW is SetWindowLongW on the 32-bit product; the
        // pointer form keeps the procedure whole on the 64-bit twin.
        const LONG_PTR standard =
            ::SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&toolbarButtonProc));
        if (standard) s.savedButtonProc = reinterpret_cast<WNDPROC>(standard);
    }
    layoutWebWindow(s.window);
    return true;
}

void layoutWebWindow(HWND w) {
    WebWindow& s = gWebWindow;
    RECT client;
    if (!w || !::GetClientRect(w, &client)) return;
    if (s.backButton) ::MoveWindow(s.backButton, 10, kButtonTop, 128, kButtonHeight, TRUE);
    if (s.homeButton) ::MoveWindow(s.homeButton, 146, kButtonTop, 128, kButtonHeight, TRUE);
    if (s.closeButton) {
        const int left = std::max<int>(kCloseButtonMinLeft, client.right - client.left - kCloseButtonRightGap);
        ::MoveWindow(s.closeButton, left, kButtonTop, 168, kButtonHeight, TRUE);
    }
    if (s.controller) {
        const RECT bounds = {client.left, client.top + kToolbarHeight, client.right,
                             std::max<LONG>(client.bottom, client.top + kToolbarHeight)};
        s.controller->put_Bounds(bounds);
    }
}

ButtonState& buttonStateFor(HWND button) {
    WebWindow& s = gWebWindow;
    for (ButtonState& b : s.buttonStates)
        if (b.hwnd == button) return b;
    for (ButtonState& b : s.buttonStates)
        if (!b.hwnd) {
            b.hwnd = button;
            return b;
        }
    return s.buttonStates[0];
}

void resetButtonStates() {
    for (ButtonState& b : gWebWindow.buttonStates) b = ButtonState{};
}

LRESULT CALLBACK toolbarButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE: {
        ButtonState& state = buttonStateFor(hwnd);
        if (!state.leaveRequested) {
            TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, hwnd, 0};
            if (::TrackMouseEvent(&track)) state.leaveRequested = true;
        }
        if (!state.hover) {
            state.hover = true;
            repaint(hwnd);
        }
        break;
    }
    case WM_LBUTTONDOWN: {
        ButtonState& state = buttonStateFor(hwnd);
        state.pressed = true;
        repaint(hwnd);
        break;
    }
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: {
        ButtonState& state = buttonStateFor(hwnd);
        if (state.pressed) {
            state.pressed = false;
            repaint(hwnd);
        }
        break;
    }
    case WM_MOUSELEAVE: {
        ButtonState& state = buttonStateFor(hwnd);
        state.leaveRequested = false;
        if (state.hover) {
            state.hover = false;
            repaint(hwnd);
        }
        break;
    }
    default:
        break;
    }
    // The buttons' own destruction messages come here too, after the window's
    // WM_DESTROY: the standard procedure stays kept until the next creation.
    if (!gWebWindow.savedButtonProc) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    return ::CallWindowProcW(gWebWindow.savedButtonProc, hwnd, message, wParam, lParam);
}
