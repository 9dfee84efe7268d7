// Keyed timers and the cross-thread function queue. Main thread, except
// performFunctionInCocosThread(), which any thread may call.
//
// Timers are keyed by (target, key); target is any pointer, it is never
// dereferenced. A timer fires repeat + 1 times (CC_REPEAT_FOREVER: forever),
// first after `delay` seconds, then every `interval` seconds (0: every tick).
// The first tick that reaches a new timer only starts its clock, so a timer
// never fires in the tick in which it is first visited.
//
// Timers may be scheduled and unscheduled from inside timer callbacks,
// including the running timer itself.
#pragma once

#include "base/CCThreadChecker.h"
#include "base/ccMacros.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace cocos2d {

typedef std::function<void(float)> ccSchedulerFunc;

class Scheduler {
public:
    Scheduler();
    ~Scheduler();

    // Schedules, or when (target, key) exists already, only updates its interval.
    // A target's pause state is set by its first timer; later `paused` values
    // are ignored while the target has timers.
    void schedule(const ccSchedulerFunc& callback, void* target, float interval, unsigned int repeat,
                  float delay, bool paused, const std::string& key);
    // Forever, without delay.
    void schedule(const ccSchedulerFunc& callback, void* target, float interval, bool paused,
                  const std::string& key);

    void unschedule(const std::string& key, void* target);
    void unscheduleAllForTarget(void* target);
    // Timers and script entries alike.
    void unscheduleAll();
    bool isScheduled(const std::string& key, const void* target) const;

    // Script entries (what the Lua binding's scheduleScriptFunc makes): a
    // callback repeating forever, keyed by the id returned, with its own
    // paused state fixed when it is scheduled (a paused entry never runs), so
    // no entry's state touches another's. Its clock is a timer's, first visit
    // included. Entries run after the keyed timers of the tick. Ids start at
    // 1 and are never reused in the process; 0 means "not scheduled".
    unsigned int scheduleScriptFunc(const ccSchedulerFunc& callback, float interval, bool paused);
    void unscheduleScriptEntry(unsigned int entryId);
    bool isScriptEntryScheduled(unsigned int entryId) const;

    void pauseTarget(void* target);
    void resumeTarget(void* target);
    bool isTargetPaused(void* target);

    // One tick: runs the due timers (dt scaled by the time scale), then the
    // functions queued by performFunctionInCocosThread().
    void update(float dt);

    void setTimeScale(float timeScale);
    float getTimeScale() const;

    // Any thread. Runs fn on the main thread at the end of the next update(),
    // in the order queued. Functions queued while the batch runs wait for the
    // following update().
    void performFunctionInCocosThread(std::function<void()> fn);
    // Any thread. Drops the queued functions that have not started.
    void removeAllFunctionsToBePerformedInCocosThread();

private:
    struct Timer;
    struct TargetEntry;
    struct ScriptEntry;

    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    TargetEntry* findTarget(const void* target) const;
    void updateTimer(Timer& timer, float dt);
    void removeDeadEntries();
    void runQueuedFunctions();

    ThreadChecker _thread;
    float _timeScale = 1.0f;
    // Targets in the order their first timer was scheduled.
    std::vector<std::unique_ptr<TargetEntry>> _targets;
    // In the order they were scheduled; shared so a running entry outlives
    // its own unscheduling.
    std::vector<std::shared_ptr<ScriptEntry>> _scriptEntries;
    bool _updating = false;

    std::mutex _queueMutex;
    std::vector<std::function<void()>> _queue;
};

} // namespace cocos2d
