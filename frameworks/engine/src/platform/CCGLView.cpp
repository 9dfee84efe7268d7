// GL view base: frame size, zoom, design resolution, context attributes for
// new views, and the hand-over of mouse input to the touch routing.
#include "platform/CCGLView.h"

#include "ui/TouchRouter.h"

#include <algorithm>
#include <cmath>

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

void GLView::setFrameSize(float width, float height) {
    _screenSize = Size(width, height);
    if (_resolutionPolicy == ResolutionPolicy::UNKNOWN) {
        // No design resolution yet: one design unit per frame pixel.
        _designResolutionSize = _screenSize;
        _viewPortRect = Rect(0, 0, width, height);
        _scaleX = _scaleY = 1.0f;
        return;
    }
    // A new frame under a set policy needs new scales and a new viewport.
    updateDesignResolutionSize();
}

void GLView::setDesignResolutionSize(float width, float height, ResolutionPolicy resolutionPolicy) {
    if (width <= 0.0f || height <= 0.0f) return;
    if (resolutionPolicy == ResolutionPolicy::UNKNOWN) return;
    _requestedDesignSize = Size(width, height);
    _designResolutionSize = _requestedDesignSize;
    _resolutionPolicy = resolutionPolicy;
    updateDesignResolutionSize();
}

void GLView::updateDesignResolutionSize() {
    if (_screenSize.width <= 0.0f || _screenSize.height <= 0.0f) return;
    if (_requestedDesignSize.width <= 0.0f || _requestedDesignSize.height <= 0.0f) return;
    _designResolutionSize = _requestedDesignSize;
    _scaleX = _screenSize.width / _designResolutionSize.width;
    _scaleY = _screenSize.height / _designResolutionSize.height;

    switch (_resolutionPolicy) {
    case ResolutionPolicy::NO_BORDER:
        _scaleX = _scaleY = std::max(_scaleX, _scaleY);
        break;
    case ResolutionPolicy::SHOW_ALL:
        _scaleX = _scaleY = std::min(_scaleX, _scaleY);
        break;
    case ResolutionPolicy::FIXED_HEIGHT:
        _scaleX = _scaleY;
        _designResolutionSize.width = std::ceil(_screenSize.width / _scaleX);
        break;
    case ResolutionPolicy::FIXED_WIDTH:
        _scaleY = _scaleX;
        _designResolutionSize.height = std::ceil(_screenSize.height / _scaleY);
        break;
    case ResolutionPolicy::EXACT_FIT:
    case ResolutionPolicy::UNKNOWN:
        break;
    }

    const float viewW = _designResolutionSize.width * _scaleX;
    const float viewH = _designResolutionSize.height * _scaleY;
    _viewPortRect = Rect((_screenSize.width - viewW) / 2.0f, (_screenSize.height - viewH) / 2.0f, viewW, viewH);
}

const Size& GLView::getDesignResolutionSize() const { return _designResolutionSize; }

Size GLView::getVisibleSize() const {
    if (_resolutionPolicy == ResolutionPolicy::NO_BORDER)
        return Size(_screenSize.width / _scaleX, _screenSize.height / _scaleY);
    return _designResolutionSize;
}

Vec2 GLView::getVisibleOrigin() const {
    if (_resolutionPolicy == ResolutionPolicy::NO_BORDER)
        return Vec2((_designResolutionSize.width - _screenSize.width / _scaleX) / 2.0f,
                    (_designResolutionSize.height - _screenSize.height / _scaleY) / 2.0f);
    return Vec2::ZERO;
}

Rect GLView::getVisibleRect() const { return Rect(getVisibleOrigin(), getVisibleSize()); }

Vec2 GLView::convertClientToDesign(float clientX, float clientY) const {
    const float zoom = _frameZoomFactor > 0.0f ? _frameZoomFactor : 1.0f;
    const float frameX = clientX / zoom;
    // Client y runs down from the top; GL y runs up from the bottom.
    const float frameYUp = _screenSize.height - clientY / zoom;
    const float sx = _scaleX != 0.0f ? _scaleX : 1.0f;
    const float sy = _scaleY != 0.0f ? _scaleY : 1.0f;
    return Vec2((frameX - _viewPortRect.origin.x) / sx, (frameYUp - _viewPortRect.origin.y) / sy);
}

void GLView::handleTouchesBegin(int num, intptr_t ids[], float xs[], float ys[]) {
    for (int i = 0; i < num; ++i) ui::TouchRouter::getInstance()->began(ids[i], convertClientToDesign(xs[i], ys[i]));
}

void GLView::handleTouchesMove(int num, intptr_t ids[], float xs[], float ys[]) {
    for (int i = 0; i < num; ++i) ui::TouchRouter::getInstance()->moved(ids[i], convertClientToDesign(xs[i], ys[i]));
}

void GLView::handleTouchesEnd(int num, intptr_t ids[], float xs[], float ys[]) {
    for (int i = 0; i < num; ++i) ui::TouchRouter::getInstance()->ended(ids[i], convertClientToDesign(xs[i], ys[i]));
}

void GLView::handleTouchesCancel(int num, intptr_t ids[], float xs[], float ys[]) {
    for (int i = 0; i < num; ++i) ui::TouchRouter::getInstance()->cancelled(ids[i]);
}

} // namespace cocos2d
