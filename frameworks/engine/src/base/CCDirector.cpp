// The frame loop.
#include "base/CCDirector.h"

#include "2d/CCScene.h"
#include "base/CCAutoreleasePool.h"
#include "base/CCConsole.h"
#include "base/CCEventDispatcher.h"
#include "base/CCScheduler.h"
#include "platform/CCGLView.h"
#include "renderer/CCTextureCache.h"
#include "renderer/FrameRenderer.h"
#include "ui/TouchRouter.h"

namespace cocos2d {

Director* Director::getInstance() {
    // Function-local static: creation is thread-safe, so a worker may be the
    // one that reaches it first to post onto the scheduler.
    static Director* director = new Director();
    return director;
}

Director::Director()
    : _scheduler(std::make_unique<Scheduler>()),
      _eventDispatcher(std::make_unique<EventDispatcher>()),
      _textureCache(std::make_unique<TextureCache>()),
      _lastUpdate(std::chrono::steady_clock::now()) {}

Director::~Director() {
    if (_nextScene) _nextScene->release();
    if (_runningScene) _runningScene->release();
    if (_openGLView) _openGLView->release();
}

void Director::runWithScene(Scene* scene) {
    _thread.check("Director::runWithScene");
    replaceScene(scene);
}

void Director::replaceScene(Scene* scene) {
    _thread.check("Director::replaceScene");
    if (!scene || scene == _nextScene) return;
    scene->retain();
    if (_nextScene) _nextScene->release();
    _nextScene = scene;
}

void Director::setNextScene() {
    if (!_nextScene) return;
    // Touches belong to the old scene's widgets.
    ui::TouchRouter::getInstance()->cancelAll();
    Scene* old = _runningScene;
    _runningScene = _nextScene;
    _nextScene = nullptr;
    // Also right when the same scene was given again: replaceScene took a second reference.
    if (old) old->release();
}

void Director::resetScenes() {
    _thread.check("Director::resetScenes");
    ui::TouchRouter::getInstance()->cancelAll();
    Scene* next = _nextScene;
    Scene* running = _runningScene;
    _nextScene = nullptr;
    _runningScene = nullptr;
    if (next) next->release();
    if (running) running->release();
}

Size Director::getWinSize() const {
    if (!_openGLView) return Size::ZERO;
    return _openGLView->getDesignResolutionSize();
}

Size Director::getVisibleSize() const {
    if (!_openGLView) return Size::ZERO;
    return _openGLView->getVisibleSize();
}

Vec2 Director::getVisibleOrigin() const {
    if (!_openGLView) return Vec2::ZERO;
    return _openGLView->getVisibleOrigin();
}

Vec2 Director::convertToGL(const Vec2& clientPoint) const {
    if (!_openGLView) return clientPoint;
    return _openGLView->convertClientToDesign(clientPoint.x, clientPoint.y);
}

void Director::setOpenGLView(GLView* view) {
    _thread.check("Director::setOpenGLView");
    if (view == _openGLView) return;
    if (view) view->retain();
    GLView* old = _openGLView;
    _openGLView = view;
    if (old) old->release();
}

void Director::setAnimationInterval(float interval) {
    _thread.check("Director::setAnimationInterval");
    _animationInterval = interval;
}

void Director::startAnimation() {
    _thread.check("Director::startAnimation");
    _invalid = false;
    _nextDeltaTimeZero = true;
}

void Director::stopAnimation() {
    _thread.check("Director::stopAnimation");
    _invalid = true;
}

void Director::end() {
    _thread.check("Director::end");
    _ending = true;
}

float Director::calculateDeltaTime() {
    const auto now = std::chrono::steady_clock::now();
    float dt = 0.0f;
    if (_nextDeltaTimeZero) {
        _nextDeltaTimeZero = false;
    } else {
        dt = std::chrono::duration<float>(now - _lastUpdate).count();
        if (dt < 0.0f) dt = 0.0f;
    }
    _lastUpdate = now;
    return dt;
}

void Director::mainLoop() {
    _thread.check("Director::mainLoop");
    if (_ending || _invalid) return;
    runFrame(calculateDeltaTime());
}

void Director::mainLoop(float dt) {
    _thread.check("Director::mainLoop");
    if (_ending || _invalid) return;
    if (_nextDeltaTimeZero) {
        _nextDeltaTimeZero = false;
        dt = 0.0f;
    }
    _lastUpdate = std::chrono::steady_clock::now();
    runFrame(dt);
}

void Director::runFrame(float dt) {
    _deltaTime = dt;
    _scheduler->update(dt);
    setNextScene();
    // A timer or queued function may have stopped or ended us; still draw
    // this frame as the engine does, the next one is skipped.
    drawScene();
    ++_totalFrames;
    AutoreleasePool::getInstance()->clear();
}

void Director::drawScene() {
    if (!_openGLView) return;
    renderer::renderFrame(*_openGLView, _runningScene);
}

void Director::purgeDirector() {
    _thread.check("Director::purgeDirector");
    resetScenes();
    if (_openGLView) {
        _openGLView->end();
        setOpenGLView(nullptr);
    }
    _scheduler->unscheduleAll();
    _ending = false;
    _invalid = false;
    _nextDeltaTimeZero = true;
    AutoreleasePool::getInstance()->clear();
    _textureCache->removeAllTextures();
}

} // namespace cocos2d
