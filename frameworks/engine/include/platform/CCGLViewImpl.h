// A GL view on a real Win32 window with a WGL context. Main thread.
//
// The window has its own Unicode window class and procedure. The procedure
// turns WM_CLOSE into windowShouldClose() (the window itself is destroyed by
// end()), reports minimise / restore to the Application as background /
// foreground, turns left-button presses, drags and releases into touches
// (GLView::handleTouches*), and ignores WM_DROPFILES (a procedure installed
// in front of it owns the drop handle).
#pragma once

#include "platform/CCGLView.h"

#include <memory>
#include <string>

struct HWND__;
typedef HWND__* HWND;

namespace cocos2d {

class GLViewImpl : public GLView {
public:
    // Creates and shows the window and makes its context current. Returns an
    // autoreleased view, or nullptr (and one engine log line) on failure.
    static GLViewImpl* createWithRect(const std::string& viewName, const Rect& rect, float frameZoomFactor = 1.0f);

    ~GLViewImpl() override;

    HWND getWin32Window();
    const std::string& getViewName() const { return _viewName; }

    void setFrameZoomFactor(float zoomFactor) override;
    void setFrameSize(float width, float height) override;
    bool windowShouldClose() override;
    void end() override;
    bool isOpenGLReady() override;
    void makeContextCurrent() override;
    void swapBuffers() override;

private:
    struct Win32State;
    friend struct GLViewWindowProcedure;

    // Called by the view's own window procedure.
    void onCloseRequested();
    void onSized(unsigned int sizeType);
    void onWindowDestroyed();
    // phase: 0 press, 1 drag, 2 release, 3 lost capture.
    void onMouse(int phase, int clientX, int clientY);

    GLViewImpl();
    bool initWithRect(const std::string& viewName, const Rect& rect, float frameZoomFactor);
    void resizeClientToFrame();

    std::string _viewName;
    bool _shouldClose = false;
    bool _minimized = false;
    std::unique_ptr<Win32State> _win32;
};

} // namespace cocos2d
