// The frame loop: time step, scheduler tick, drawing. Main thread (the
// shared instance may be fetched from any thread to reach the scheduler's
// performFunctionInCocosThread).
//
// One frame (mainLoop): compute dt (0 on the first frame after
// startAnimation), tick the scheduler (even before any scene exists), draw
// into the GL view, drain the autorelease pool. Nothing runs while the
// animation is stopped or once end() was called.
#pragma once

#include "base/CCThreadChecker.h"

#include <chrono>
#include <memory>

namespace cocos2d {

class EventDispatcher;
class GLView;
class Scheduler;

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

    // Called by Application::run() after its loop: ends the GL view (its window
    // is destroyed), drops it, unschedules every timer and clears the state of
    // end(), so a later run starts afresh.
    void purgeDirector();

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
    void drawScene();

    ThreadChecker _thread;
    std::unique_ptr<Scheduler> _scheduler;
    std::unique_ptr<EventDispatcher> _eventDispatcher;
    GLView* _openGLView = nullptr;

    float _animationInterval = 1.0f / 60.0f;
    bool _invalid = false;
    bool _ending = false;
    bool _nextDeltaTimeZero = true;
    float _deltaTime = 0.0f;
    unsigned int _totalFrames = 0;
    std::chrono::steady_clock::time_point _lastUpdate;
};

} // namespace cocos2d
