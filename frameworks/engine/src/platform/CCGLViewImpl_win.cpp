// GL view on a Win32 window with a WGL context.
//
// Lifetime: the view is attached to its window in WM_NCCREATE and detached
// in WM_NCDESTROY, so the procedure tolerates messages before and after the
// view is known. Teardown order (end() and the destructor): 1. the GL
// context (made non-current first), 2. the device context, 3. the window.
// A window destroyed from outside (a subclassing procedure calling
// DestroyWindow) releases 1 and 2 in WM_NCDESTROY.
#include "platform/CCGLViewImpl.h"

#include "base/CCConsole.h"
#include "base/CCThreadChecker.h"
#include "platform/CCApplication.h"
#include "platform/ScopedHandle_win.h"
#include "platform/Utf16_win.h"
#include "renderer/FrameRenderer.h"
#include "ui/TouchRouter.h"

#include <windowsx.h>

#include <cmath>

namespace cocos2d {

namespace {

const wchar_t kWindowClassName[] = L"cocos2d.GLViewImpl";
// Fixed-size game window: no resize border, no maximise.
const DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
const DWORD kWindowExStyle = WS_EX_APPWINDOW;

// Outer window size for a client area, or false when the sizes are unusable.
bool outerSizeForClient(int clientWidth, int clientHeight, int* outerWidth, int* outerHeight) {
    if (clientWidth <= 0 || clientHeight <= 0) return false;
    RECT r = {0, 0, clientWidth, clientHeight};
    if (!::AdjustWindowRectEx(&r, kWindowStyle, FALSE, kWindowExStyle)) return false;
    *outerWidth = r.right - r.left;
    *outerHeight = r.bottom - r.top;
    return true;
}

int toPixels(float v) { return static_cast<int>(std::lround(v)); }

} // namespace

struct GLViewImpl::Win32State {
    // Declaration order is the reverse of the teardown order.
    win32::ScopedWindow window;
    win32::ScopedWindowDC dc;
    win32::ScopedGLContext context;
    ThreadChecker thread;
};

struct GLViewWindowProcedure {
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE) {
            const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
            return ::DefWindowProcW(hwnd, msg, wParam, lParam);
        }
        auto* view = reinterpret_cast<GLViewImpl*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!view) return ::DefWindowProcW(hwnd, msg, wParam, lParam);

        switch (msg) {
        case WM_CLOSE:
            // Only ask the run loop to stop; the window is destroyed by end().
            view->onCloseRequested();
            return 0;
        case WM_SIZE:
            view->onSized(static_cast<unsigned int>(wParam));
            return 0;
        case WM_LBUTTONDOWN:
            // Capture, so the release arrives even outside the window.
            ::SetCapture(hwnd);
            view->onMouse(0, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_MOUSEMOVE:
            if (wParam & MK_LBUTTON) view->onMouse(1, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_LBUTTONUP:
            view->onMouse(2, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            if (::GetCapture() == hwnd) ::ReleaseCapture();
            return 0;
        case WM_CAPTURECHANGED:
            // Capture taken away mid-press (another window, a dialog): no click.
            if (reinterpret_cast<HWND>(lParam) != hwnd) view->onMouse(3, 0, 0);
            return 0;
        case WM_DROPFILES:
            // The drop handle belongs to whoever handled the drop in front of
            // us and may already be released; never touch it.
            return 0;
        case WM_NCDESTROY:
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            view->onWindowDestroyed();
            return ::DefWindowProcW(hwnd, msg, wParam, lParam);
        default:
            return ::DefWindowProcW(hwnd, msg, wParam, lParam);
        }
    }
};

namespace {

bool registerWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    // CS_OWNDC: the GL context keeps the DC it was made with.
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &GLViewWindowProcedure::proc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1)); // the executable's first icon, if any
    wc.lpszClassName = kWindowClassName;
    if (::RegisterClassExW(&wc)) return true;
    return ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Pixel format and context from the requested attributes; 0 or the error code.
DWORD createGLContext(HDC dc, const GLContextAttrs& attrs, win32::ScopedGLContext* out) {
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof(pfd);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(attrs.redBits + attrs.greenBits + attrs.blueBits);
    pfd.cRedBits = static_cast<BYTE>(attrs.redBits);
    pfd.cGreenBits = static_cast<BYTE>(attrs.greenBits);
    pfd.cBlueBits = static_cast<BYTE>(attrs.blueBits);
    pfd.cAlphaBits = static_cast<BYTE>(attrs.alphaBits);
    pfd.cDepthBits = static_cast<BYTE>(attrs.depthBits);
    pfd.cStencilBits = static_cast<BYTE>(attrs.stencilBits);
    pfd.iLayerType = PFD_MAIN_PLANE;

    const int format = ::ChoosePixelFormat(dc, &pfd);
    if (format == 0) return ::GetLastError() ? ::GetLastError() : ERROR_INVALID_PIXEL_FORMAT;
    if (!::SetPixelFormat(dc, format, &pfd)) return ::GetLastError() ? ::GetLastError() : ERROR_INVALID_PIXEL_FORMAT;
    win32::ScopedGLContext context(::wglCreateContext(dc));
    if (!context) return ::GetLastError() ? ::GetLastError() : ERROR_INVALID_HANDLE;
    if (!::wglMakeCurrent(dc, context.get())) return ::GetLastError() ? ::GetLastError() : ERROR_INVALID_HANDLE;
    *out = std::move(context);
    return 0;
}

} // namespace

GLViewImpl::GLViewImpl() : _win32(std::make_unique<Win32State>()) {}

GLViewImpl::~GLViewImpl() { end(); }

GLViewImpl* GLViewImpl::createWithRect(const std::string& viewName, const Rect& rect, float frameZoomFactor) {
    auto* view = new GLViewImpl();
    if (!view->initWithRect(viewName, rect, frameZoomFactor)) {
        view->release();
        return nullptr;
    }
    view->autorelease();
    return view;
}

bool GLViewImpl::initWithRect(const std::string& viewName, const Rect& rect, float frameZoomFactor) {
    _win32->thread.check("GLViewImpl::createWithRect");
    _viewName = viewName;
    GLView::setFrameSize(rect.size.width, rect.size.height);
    _frameZoomFactor = frameZoomFactor > 0.0f ? frameZoomFactor : 1.0f;

    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (!registerWindowClass(instance)) {
        log("cocos2d: GLViewImpl: cannot register the window class (error %lu)", ::GetLastError());
        return false;
    }
    int outerWidth = 0, outerHeight = 0;
    if (!outerSizeForClient(toPixels(rect.size.width * _frameZoomFactor), toPixels(rect.size.height * _frameZoomFactor),
                            &outerWidth, &outerHeight)) {
        log("cocos2d: GLViewImpl: unusable window size %.0f x %.0f (zoom %.2f)", rect.size.width, rect.size.height,
            _frameZoomFactor);
        return false;
    }

    const std::wstring title = win32::utf8ToWide(viewName);
    HWND hwnd = ::CreateWindowExW(kWindowExStyle, kWindowClassName, title.c_str(), kWindowStyle, CW_USEDEFAULT,
                                  CW_USEDEFAULT, outerWidth, outerHeight, nullptr, nullptr, instance, this);
    if (!hwnd) {
        log("cocos2d: GLViewImpl: CreateWindowExW failed (error %lu)", ::GetLastError());
        return false;
    }
    _win32->window.reset(hwnd);

    _win32->dc = win32::ScopedWindowDC::get(hwnd);
    if (!_win32->dc) {
        log("cocos2d: GLViewImpl: GetDC failed (error %lu)", ::GetLastError());
        return false;
    }
    if (DWORD err = createGLContext(_win32->dc.dc(), s_glContextAttrs, &_win32->context)) {
        log("cocos2d: GLViewImpl: no OpenGL context for the window (error %lu)", err);
        return false;
    }

    // The return values report the previous visibility, not failure.
    ::ShowWindow(hwnd, SW_SHOW);
    ::UpdateWindow(hwnd);
    return true;
}

HWND GLViewImpl::getWin32Window() {
    _win32->thread.check("GLViewImpl::getWin32Window");
    return _win32->window.get();
}

void GLViewImpl::resizeClientToFrame() {
    HWND hwnd = _win32->window.get();
    if (!hwnd) return;
    int outerWidth = 0, outerHeight = 0;
    if (!outerSizeForClient(toPixels(_screenSize.width * _frameZoomFactor),
                            toPixels(_screenSize.height * _frameZoomFactor), &outerWidth, &outerHeight))
        return;
    ::SetWindowPos(hwnd, nullptr, 0, 0, outerWidth, outerHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void GLViewImpl::setFrameZoomFactor(float zoomFactor) {
    _win32->thread.check("GLViewImpl::setFrameZoomFactor");
    if (zoomFactor <= 0.0f) return;
    _frameZoomFactor = zoomFactor;
    resizeClientToFrame();
}

void GLViewImpl::setFrameSize(float width, float height) {
    _win32->thread.check("GLViewImpl::setFrameSize");
    if (width <= 0.0f || height <= 0.0f) return;
    GLView::setFrameSize(width, height);
    resizeClientToFrame();
}

bool GLViewImpl::windowShouldClose() {
    _win32->thread.check("GLViewImpl::windowShouldClose");
    return _shouldClose;
}

void GLViewImpl::end() {
    _win32->thread.check("GLViewImpl::end");
    _shouldClose = true;
    ui::TouchRouter::getInstance()->cancelAll();
    if (_win32->context) renderer::contextWillBeDestroyed();
    _win32->context.reset();
    _win32->dc.reset();
    // Move the handle out first: WM_NCDESTROY arrives while DestroyWindow runs.
    win32::ScopedWindow dying(std::move(_win32->window));
    dying.reset();
}

bool GLViewImpl::isOpenGLReady() {
    _win32->thread.check("GLViewImpl::isOpenGLReady");
    return _win32->context.valid();
}

void GLViewImpl::makeContextCurrent() {
    _win32->thread.check("GLViewImpl::makeContextCurrent");
    if (!_win32->context) return;
    if (::wglGetCurrentContext() == _win32->context.get()) return;
    if (!::wglMakeCurrent(_win32->dc.dc(), _win32->context.get()))
        log("cocos2d: GLViewImpl: wglMakeCurrent failed (error %lu)", ::GetLastError());
}

void GLViewImpl::swapBuffers() {
    _win32->thread.check("GLViewImpl::swapBuffers");
    if (!_win32->dc) return;
    // A failed swap only loses this frame; the next one tries again.
    ::SwapBuffers(_win32->dc.dc());
}

void GLViewImpl::onCloseRequested() { _shouldClose = true; }

void GLViewImpl::onSized(unsigned int sizeType) {
    Application* app = Application::getInstance();
    if (sizeType == SIZE_MINIMIZED) {
        if (_minimized) return;
        _minimized = true;
        if (app) app->applicationDidEnterBackground();
        return;
    }
    if ((sizeType == SIZE_RESTORED || sizeType == SIZE_MAXIMIZED) && _minimized) {
        _minimized = false;
        if (app) app->applicationWillEnterForeground();
    }
}

void GLViewImpl::onMouse(int phase, int clientX, int clientY) {
    intptr_t id = 0;
    float x = static_cast<float>(clientX);
    float y = static_cast<float>(clientY);
    switch (phase) {
    case 0: handleTouchesBegin(1, &id, &x, &y); break;
    case 1: handleTouchesMove(1, &id, &x, &y); break;
    case 2: handleTouchesEnd(1, &id, &x, &y); break;
    default: handleTouchesCancel(1, &id, &x, &y); break;
    }
}

void GLViewImpl::onWindowDestroyed() {
    // Destroyed from outside (or by end()): drop what depends on the window.
    _shouldClose = true;
    if (_win32->context) renderer::contextWillBeDestroyed();
    _win32->context.reset();
    _win32->dc.reset();
    _win32->window.take();
}

} // namespace cocos2d
