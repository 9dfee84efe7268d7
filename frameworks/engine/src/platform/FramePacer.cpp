#include "platform/FramePacer.h"

namespace cocos2d {

FramePacer::FramePacer(int64_t ticksPerSecond) : _ticksPerSecond(ticksPerSecond > 0 ? ticksPerSecond : 1) {}

bool FramePacer::takeFrame(int64_t now, int64_t intervalTicks) {
    if (intervalTicks < 0) intervalTicks = 0;
    if (!_started) {
        _started = true;
        _lastFrame = now;
        return true;
    }
    if (now < _lastFrame) _lastFrame = now;  // the clock stepped back: the grid restarts here, no stall
    const int64_t due = _lastFrame + intervalTicks;
    if (now < due) return false;
    _lastFrame = now - due >= intervalTicks ? now : due;
    return true;
}

uint32_t FramePacer::waitMs(int64_t now, int64_t intervalTicks) const {
    if (!_started || intervalTicks <= 0) return 0;
    const int64_t remaining = _lastFrame + intervalTicks - now;
    if (remaining <= 0) return 0;
    return static_cast<uint32_t>((remaining * 1000 + _ticksPerSecond - 1) / _ticksPerSecond);
}

} // namespace cocos2d
