// The window the Director draws into. Main thread.
//
// Frame size is the size in design pixels that the game asked for; the frame
// zoom factor scales only the OS window (client area = frame size × zoom).
#pragma once

#include "base/CCRef.h"
#include "math/CCGeometry.h"

namespace cocos2d {

struct GLContextAttrs {
    int redBits;
    int greenBits;
    int blueBits;
    int alphaBits;
    int depthBits;
    int stencilBits;
};

class GLView : public Ref {
public:
    ~GLView() override;

    // Attributes the next GL view creates its context with.
    static void setGLContextAttrs(GLContextAttrs& attrs);
    static GLContextAttrs getGLContextAttrs();

    virtual void setFrameZoomFactor(float zoomFactor);
    virtual float getFrameZoomFactor() const;
    virtual const Size& getFrameSize() const;
    virtual void setFrameSize(float width, float height);

    // True once the user asked to close the window (or end() was called).
    virtual bool windowShouldClose() = 0;
    // Releases the GL context and destroys the window. Safe to call twice.
    virtual void end() = 0;
    virtual bool isOpenGLReady() = 0;
    // Makes this view's GL context current on the calling thread.
    virtual void makeContextCurrent() = 0;
    virtual void swapBuffers() = 0;
    // Messages are pumped by Application::run(); nothing to do by default.
    virtual void pollEvents() {}

protected:
    GLView() = default;

    Size _screenSize;
    float _frameZoomFactor = 1.0f;

    static GLContextAttrs s_glContextAttrs;
};

} // namespace cocos2d
