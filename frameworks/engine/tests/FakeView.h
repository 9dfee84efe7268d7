// A GL view without a window or GL context: the headless platform for scene,
// resolution and input tests.
#pragma once

#include "platform/CCGLView.h"

namespace enginetest {

class FakeView : public cocos2d::GLView {
public:
    // Autoreleased, like the engine's views.
    static FakeView* create(float width, float height) {
        auto* view = new FakeView();
        view->setFrameSize(width, height);
        view->autorelease();
        return view;
    }
    bool windowShouldClose() override { return false; }
    void end() override {}
    bool isOpenGLReady() override { return false; }
    void makeContextCurrent() override {}
    void swapBuffers() override {}
    void setZoom(float zoom) { _frameZoomFactor = zoom; }
};

} // namespace enginetest
