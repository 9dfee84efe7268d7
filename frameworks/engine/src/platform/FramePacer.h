// When the run loop draws its next frame and how long it may sleep first,
// in performance-counter ticks. The interval is passed on each call, so a new
// animation interval counts from the last frame drawn.
#pragma once

#include <cstdint>

namespace cocos2d {

class FramePacer {
public:
    // ticksPerSecond: the performance counter's frequency.
    explicit FramePacer(int64_t ticksPerSecond);

    // True when a frame is due at `now` (the first one always is); it then
    // counts as drawn. Frames keep to a grid of intervals, so a wake-up a
    // little late does not lower the rate; after a stall of a whole interval
    // or more the grid restarts at now, and so it does when the clock steps back.
    bool takeFrame(int64_t now, int64_t intervalTicks);

    // Milliseconds to sleep before the next frame is due, rounded up: a wait
    // of 0 returns at once, and the loop would spin through the last fraction
    // of a millisecond before every frame (under wine each turn costs two
    // round trips to its server). 0 only when a frame is due.
    uint32_t waitMs(int64_t now, int64_t intervalTicks) const;

private:
    int64_t _ticksPerSecond;
    int64_t _lastFrame = 0;  // the grid point of the last frame drawn
    bool _started = false;
};

} // namespace cocos2d
