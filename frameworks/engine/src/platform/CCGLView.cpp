// GL view base: frame size, zoom, and the context attributes for new views.
#include "platform/CCGLView.h"

namespace cocos2d {

// Until someone asks otherwise: 8-bit RGBA, 24-bit depth, 8-bit stencil.
GLContextAttrs GLView::s_glContextAttrs = {8, 8, 8, 8, 24, 8};

GLView::~GLView() = default;

void GLView::setGLContextAttrs(GLContextAttrs& attrs) { s_glContextAttrs = attrs; }

GLContextAttrs GLView::getGLContextAttrs() { return s_glContextAttrs; }

void GLView::setFrameZoomFactor(float zoomFactor) {
    if (zoomFactor > 0.0f) _frameZoomFactor = zoomFactor;
}

float GLView::getFrameZoomFactor() const { return _frameZoomFactor; }

const Size& GLView::getFrameSize() const { return _screenSize; }

void GLView::setFrameSize(float width, float height) { _screenSize = Size(width, height); }

} // namespace cocos2d
