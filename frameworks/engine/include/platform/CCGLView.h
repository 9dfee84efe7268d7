// The window the Director draws into. Main thread.
//
// Frame size is the size in design pixels that the game asked for; the frame
// zoom factor scales only the OS window (client area = frame size × zoom).
//
// Design resolution: the scene is laid out in design units; the policy maps
// them onto the frame. With scaleX = frameW/designW, scaleY = frameH/designH:
//   EXACT_FIT     both scales as they are (the picture is stretched);
//   NO_BORDER     both = max(scaleX, scaleY) (covers the frame, overflow cut);
//   SHOW_ALL      both = min(scaleX, scaleY) (fits, bars on two sides);
//   FIXED_HEIGHT  both = scaleY, design width := ceil(frameW / scale);
//   FIXED_WIDTH   both = scaleX, design height := ceil(frameH / scale).
// The viewport is design × scale, centred in the frame (its origin may be
// negative). Visible size is frame / scale under NO_BORDER, else the design
// size; the visible origin is ((design − frame / scale) / 2) under NO_BORDER,
// else (0, 0). Until a design size is set it equals the frame size.
#pragma once

#include "base/CCRef.h"
#include "math/CCGeometry.h"

#include <cstdint>

namespace cocos2d {

enum class ResolutionPolicy {
    EXACT_FIT = 0,
    NO_BORDER = 1,
    SHOW_ALL = 2,
    FIXED_HEIGHT = 3,
    FIXED_WIDTH = 4,
    UNKNOWN = 5,
};

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
    // Also the design size while none was set; re-applies the policy.
    virtual void setFrameSize(float width, float height);

    // Ignored unless width and height are > 0 and the policy is one of the five.
    virtual void setDesignResolutionSize(float width, float height, ResolutionPolicy resolutionPolicy);
    // The design size after the policy (FIXED_* adjust one side).
    virtual const Size& getDesignResolutionSize() const;
    ResolutionPolicy getResolutionPolicy() const { return _resolutionPolicy; }
    // In frame units (design pixels of the frame, before the zoom factor).
    const Rect& getViewPortRect() const { return _viewPortRect; }
    float getScaleX() const { return _scaleX; }
    float getScaleY() const { return _scaleY; }
    virtual Size getVisibleSize() const;
    virtual Vec2 getVisibleOrigin() const;
    virtual Rect getVisibleRect() const;

    // A point of the window's client area (pixels, y down) in design units
    // (y up), through the zoom factor and the viewport.
    Vec2 convertClientToDesign(float clientX, float clientY) const;

    // Mouse / touch input in client pixels (y down), handed to the running
    // scene's widgets. The window procedure calls these; tests may too.
    virtual void handleTouchesBegin(int num, intptr_t ids[], float xs[], float ys[]);
    virtual void handleTouchesMove(int num, intptr_t ids[], float xs[], float ys[]);
    virtual void handleTouchesEnd(int num, intptr_t ids[], float xs[], float ys[]);
    virtual void handleTouchesCancel(int num, intptr_t ids[], float xs[], float ys[]);

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

    void updateDesignResolutionSize();

    Size _screenSize;
    float _frameZoomFactor = 1.0f;
    Size _designResolutionSize;
    // What the caller asked for; FIXED_* derive _designResolutionSize from it.
    Size _requestedDesignSize;
    ResolutionPolicy _resolutionPolicy = ResolutionPolicy::UNKNOWN;
    Rect _viewPortRect;
    float _scaleX = 1.0f;
    float _scaleY = 1.0f;

    static GLContextAttrs s_glContextAttrs;
};

} // namespace cocos2d
