// The frame loop: time step, scheduler tick, drawing. Main thread (the
// shared instance may be fetched from any thread to reach the scheduler's
// performFunctionInCocosThread).
//
// One frame (mainLoop): compute dt (0 on the first frame after
// startAnimation), tick the scheduler (even before any scene exists), switch
// to the scene given to runWithScene / replaceScene, draw the running scene
// into the GL view, drain the autorelease pool. Nothing runs while the
// animation is stopped or once end() was called.
#pragma once

#include "base/CCThreadChecker.h"
#include "math/CCGeometry.h"

#include <chrono>
#include <memory>

namespace cocos2d {

class EventDispatcher;
class GLView;
class Scene;
class Scheduler;
class TextureCache;

class Director {
public:
    static Director* getInstance();

    // Retains the view and releases the previous one; nullptr detaches.
    void setOpenGLView(GLView* view);
    GLView* getOpenGLView() { return _openGLView; }

    void setAnimationInterval(float interval);
    float getAnimationInterval() const { return _animationInterval; }

    // Resumes ticking; the next frame's dt is 0.
    void startAnimation();
    // No ticks or draws until startAnimation().
    void stopAnimation();
    bool isAnimationStopped() const { return _invalid; }

    // Leaves the run loop before the next frame.
    void end();
    bool isEnding() const { return _ending; }

    // One frame with dt measured from the previous frame.
    void mainLoop();
    // One frame with a fixed dt (headless loops and tests).
    void mainLoop(float dt);

    // Called by Application::run() after its loop: drops the scenes, ends the
    // GL view (its window is destroyed), drops it, unschedules every timer,
    // empties the texture cache and clears the state of end(), so a later run
    // starts afresh.
    void purgeDirector();

    // The scene becomes the running scene at the next frame (before it is
    // drawn); until then getRunningScene() still returns the previous one.
    // The Director retains it. replaceScene drops the previous running scene
    // at that switch. A null scene is ignored.
    void runWithScene(Scene* scene);
    void replaceScene(Scene* scene);
    Scene* getRunningScene() const { return _runningScene; }
    // Drops the running and the pending scene (tests, teardown).
    void resetScenes();

    // The design size of the GL view (Size::ZERO without a view).
    Size getWinSize() const;
    // The view's visible size / origin (zero without a view).
    Size getVisibleSize() const;
    Vec2 getVisibleOrigin() const;
    // Window client pixels (y down) to design units (y up); the point itself without a view.
    Vec2 convertToGL(const Vec2& clientPoint) const;

    TextureCache* getTextureCache() const { return _textureCache.get(); }

    Scheduler* getScheduler() const { return _scheduler.get(); }
    EventDispatcher* getEventDispatcher() const { return _eventDispatcher.get(); }
    unsigned int getTotalFrames() const { return _totalFrames; }
    // dt of the last frame, in seconds.
    float getDeltaTime() const { return _deltaTime; }

private:
    Director();
    ~Director();
    Director(const Director&) = delete;
    Director& operator=(const Director&) = delete;

    float calculateDeltaTime();
    void runFrame(float dt);
    void setNextScene();
    void drawScene();

    ThreadChecker _thread;
    std::unique_ptr<Scheduler> _scheduler;
    std::unique_ptr<EventDispatcher> _eventDispatcher;
    std::unique_ptr<TextureCache> _textureCache;
    GLView* _openGLView = nullptr;
    Scene* _runningScene = nullptr;
    Scene* _nextScene = nullptr;

    float _animationInterval = 1.0f / 60.0f;
    bool _invalid = false;
    bool _ending = false;
    bool _nextDeltaTimeZero = true;
    float _deltaTime = 0.0f;
    unsigned int _totalFrames = 0;
    std::chrono::steady_clock::time_point _lastUpdate;
};

} // namespace cocos2d
