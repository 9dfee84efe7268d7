// GLViewImpl on a real window: geometry, title, GL context, window procedure.
#include "base/CCAutoreleasePool.h"
#include "base/CCConsole.h"
#include "platform/CCApplication.h"
#include "platform/CCGLViewImpl.h"
#include "platform/ScopedHandle_win.h"
#include "LogHook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace cocos2d;

namespace {

SIZE clientSize(HWND hwnd) {
    RECT r = {};
    ::GetClientRect(hwnd, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// The top-level windows of this process that Windows finds by `title`: other
// programs on the same display (the host itself, under ctest -j) may show the
// very same title.
std::vector<HWND> ownWindowsTitled(const wchar_t* title) {
    std::vector<HWND> found;
    HWND window = nullptr;
    while ((window = ::FindWindowExW(nullptr, window, nullptr, title)) != nullptr) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        if (pid == ::GetCurrentProcessId()) found.push_back(window);
    }
    return found;
}

void pumpPending() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Owns one reference to a view for the test's duration.
struct ViewRef {
    explicit ViewRef(GLViewImpl* v) : view(v) {
        if (view) view->retain();
        AutoreleasePool::getInstance()->clear();
    }
    ~ViewRef() {
        if (view) view->release();
    }
    GLViewImpl* operator->() const { return view; }
    GLViewImpl* view;
};

class CountingApp : public Application {
public:
    int background = 0;
    int foreground = 0;
    bool applicationDidFinishLaunching() override { return true; }
    void applicationDidEnterBackground() override { ++background; }
    void applicationWillEnterForeground() override { ++foreground; }
};

struct GeometryCase {
    float width, height, zoom;
    int expectedWidth, expectedHeight;
};

class GLViewGeometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(GLViewGeometry, ClientAreaIsFrameTimesZoomAndFrameSizeIsTheRect) {
    const GeometryCase& c = GetParam();
    ViewRef view(GLViewImpl::createWithRect("geometry", Rect(0, 0, c.width, c.height), c.zoom));
    ASSERT_NE(view.view, nullptr);
    const SIZE client = clientSize(view->getWin32Window());
    EXPECT_EQ(client.cx, c.expectedWidth);
    EXPECT_EQ(client.cy, c.expectedHeight);
    EXPECT_EQ(view->getFrameSize(), Size(c.width, c.height));
    EXPECT_EQ(view->getFrameZoomFactor(), c.zoom);
    EXPECT_TRUE(::IsWindowVisible(view->getWin32Window()));
}

INSTANTIATE_TEST_SUITE_P(Cases, GLViewGeometry,
                         ::testing::Values(GeometryCase{960, 640, 1.0f, 960, 640},
                                           GeometryCase{480, 320, 2.0f, 960, 640},
                                           GeometryCase{640, 960, 1.5f, 960, 1440},
                                           GeometryCase{400, 300, 0.5f, 200, 150}));

TEST(GLViewImpl, SetFrameZoomFactorAndFrameSizeResizeTheClientArea) {
    ViewRef view(GLViewImpl::createWithRect("zoom", Rect(0, 0, 400, 300), 1.5f));
    ASSERT_NE(view.view, nullptr);
    HWND hwnd = view->getWin32Window();
    view->setFrameZoomFactor(2.0f);
    EXPECT_EQ(clientSize(hwnd).cx, 800);
    EXPECT_EQ(clientSize(hwnd).cy, 600);
    EXPECT_EQ(view->getFrameSize(), Size(400, 300)); // zoom scales the OS window only

    view->setFrameZoomFactor(0.0f); // ignored
    EXPECT_EQ(view->getFrameZoomFactor(), 2.0f);

    view->setFrameSize(300, 200);
    EXPECT_EQ(clientSize(hwnd).cx, 600);
    EXPECT_EQ(clientSize(hwnd).cy, 400);
}

TEST(GLViewImpl, TitleRoundTripsAsUtf16OnAUnicodeWindow) {
    const char* title = "H\xe1\xba\xa3i V\xc3\xa2n Truy\xe1\xbb\x87n"; // "Hải Vân Truyện" in UTF-8
    ViewRef view(GLViewImpl::createWithRect(title, Rect(0, 0, 320, 240)));
    ASSERT_NE(view.view, nullptr);
    HWND hwnd = view->getWin32Window();
    wchar_t text[64] = {};
    ::GetWindowTextW(hwnd, text, 64);
    EXPECT_EQ(std::wstring(text), std::wstring(L"H\u1ea3i V\u00e2n Truy\u1ec7n"));
    EXPECT_EQ(ownWindowsTitled(L"H\u1ea3i V\u00e2n Truy\u1ec7n"), std::vector<HWND>{hwnd});
    EXPECT_TRUE(::IsWindowUnicode(hwnd));
}

TEST(GLViewImpl, LongTitleIsNotTruncated) {
    std::string title;
    for (int i = 0; i < 300; ++i) title += "\xe1\xba\xa3"; // 300 × "ả": 900 bytes, 300 UTF-16 units
    ViewRef view(GLViewImpl::createWithRect(title, Rect(0, 0, 320, 240)));
    ASSERT_NE(view.view, nullptr);
    EXPECT_EQ(::GetWindowTextLengthW(view->getWin32Window()), 300);
}

TEST(GLViewImpl, ContextHasTheRequestedAttributesAndIsCurrent) {
    GLContextAttrs attrs = {8, 8, 8, 8, 24, 8};
    GLView::setGLContextAttrs(attrs);
    const GLContextAttrs back = GLView::getGLContextAttrs();
    EXPECT_EQ(back.depthBits, 24);
    EXPECT_EQ(back.stencilBits, 8);

    ViewRef view(GLViewImpl::createWithRect("gl", Rect(0, 0, 320, 240)));
    ASSERT_NE(view.view, nullptr);
    EXPECT_TRUE(view->isOpenGLReady());
    EXPECT_NE(::wglGetCurrentContext(), nullptr);

    auto dc = win32::ScopedWindowDC::get(view->getWin32Window());
    PIXELFORMATDESCRIPTOR pfd = {};
    const int format = ::GetPixelFormat(dc.dc());
    ASSERT_GT(format, 0);
    ASSERT_GT(::DescribePixelFormat(dc.dc(), format, sizeof(pfd), &pfd), 0);
    EXPECT_TRUE(pfd.dwFlags & PFD_SUPPORT_OPENGL);
    EXPECT_TRUE(pfd.dwFlags & PFD_DOUBLEBUFFER);
    EXPECT_GE(pfd.cDepthBits, 24);
    EXPECT_GE(pfd.cStencilBits, 8);
    view->swapBuffers(); // must not fail on a live context
}

TEST(GLViewImpl, CloseOnlyMarksShouldCloseAndEndDestroysTheWindow) {
    ViewRef view(GLViewImpl::createWithRect("close", Rect(0, 0, 320, 240)));
    ASSERT_NE(view.view, nullptr);
    HWND hwnd = view->getWin32Window();
    EXPECT_FALSE(view->windowShouldClose());
    ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(view->windowShouldClose());
    EXPECT_TRUE(::IsWindow(hwnd));

    view->end();
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_FALSE(view->isOpenGLReady());
    EXPECT_EQ(view->getWin32Window(), nullptr);
    view->end(); // twice is harmless
}

TEST(GLViewImpl, WindowDestroyedFromOutsideIsTolerated) {
    ViewRef view(GLViewImpl::createWithRect("outside", Rect(0, 0, 320, 240)));
    ASSERT_NE(view.view, nullptr);
    ::DestroyWindow(view->getWin32Window());
    EXPECT_TRUE(view->windowShouldClose());
    EXPECT_FALSE(view->isOpenGLReady());
    EXPECT_EQ(view->getWin32Window(), nullptr);
    view->makeContextCurrent();
    view->swapBuffers();
}

TEST(GLViewImpl, MinimiseAndRestoreReportBackgroundAndForegroundOnce) {
    CountingApp app;
    ViewRef view(GLViewImpl::createWithRect("iconic", Rect(0, 0, 320, 240)));
    ASSERT_NE(view.view, nullptr);
    HWND hwnd = view->getWin32Window();

    ::ShowWindow(hwnd, SW_MINIMIZE);
    pumpPending();
    EXPECT_TRUE(::IsIconic(hwnd));
    EXPECT_EQ(app.background, 1);
    EXPECT_EQ(app.foreground, 0);
    // A second minimised report is not a second transition.
    ::SendMessageW(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_EQ(app.background, 1);

    ::ShowWindow(hwnd, SW_RESTORE);
    pumpPending();
    EXPECT_FALSE(::IsIconic(hwnd));
    EXPECT_EQ(app.background, 1);
    EXPECT_EQ(app.foreground, 1);
    // A plain resize while visible is not a return from the background.
    ::SendMessageW(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, 240));
    EXPECT_EQ(app.foreground, 1);
}

TEST(GLViewImpl, DropFilesLeavesTheDropHandleAlone) {
    ViewRef view(GLViewImpl::createWithRect("drop", Rect(0, 0, 320, 240)));
    ASSERT_NE(view.view, nullptr);
    HGLOBAL drop = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 256);
    ASSERT_NE(drop, nullptr);
    const LRESULT result = ::SendMessageW(view->getWin32Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    EXPECT_EQ(result, 0);
    EXPECT_GT(::GlobalSize(drop), 0u) << "the handle was freed";
    ::GlobalFree(drop);
}

TEST(GLViewImpl, SubclassingWithSetWindowLongWReturnsTheViewsProcedure) {
    ViewRef view(GLViewImpl::createWithRect("subclass", Rect(0, 0, 320, 240)));
    ASSERT_NE(view.view, nullptr);
    HWND hwnd = view->getWin32Window();
    static WNDPROC previous = nullptr;
    static int closes = 0;
    closes = 0;
    struct Hook {
        static LRESULT CALLBACK proc(HWND h, UINT m, WPARAM w, LPARAM l) {
            if (m == WM_CLOSE) ++closes;
            return ::CallWindowProcW(previous, h, m, w, l);
        }
    };
    previous = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Hook::proc)));
    ASSERT_NE(previous, nullptr);
    ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(view->windowShouldClose()); // reached the view's own procedure
}

TEST(GLViewImpl, CreationFailureGivesNullAndOneLogLine) {
    std::vector<std::string> lines;
    setLogHook([&](const std::string& line) { lines.push_back(line); });
    GLViewImpl* view = GLViewImpl::createWithRect("bad", Rect(0, 0, 0, 240));
    setLogHook(nullptr);
    EXPECT_EQ(view, nullptr);
    EXPECT_EQ(lines.size(), 1u);
}

} // namespace
