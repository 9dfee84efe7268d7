// Keyed timers and the cross-thread function queue.
//
// Timer clock, per tick that reaches an unpaused timer:
//
//   new ──first visit──▶ started (elapsed = 0, nothing fires, the dt is dropped)
//   started: elapsed += dt
//     waiting for delay: elapsed >= delay → fire(delay), elapsed -= delay, one run
//     then interval > 0: while elapsed >= interval → fire(interval), elapsed -= interval
//          interval = 0: fire(elapsed) once, elapsed = 0
//   after repeat + 1 runs (never for CC_REPEAT_FOREVER) → unscheduled
//
// Script entries run on the same clock, after the keyed timers, each skipped
// while its own paused flag is set.
//
// Callbacks may schedule and unschedule anything, the running timer included.
// While a tick runs, removal only marks a timer aborted (it stays alive and in
// place, so indices hold); dead timers and empty targets are swept at the end
// of the tick. Timers added during a tick are appended and, if the loop still
// reaches them, only get their first-visit step.
#include "base/CCScheduler.h"

#include "base/CCConsole.h"

#include <algorithm>

namespace cocos2d {

struct Scheduler::Timer {
    ccSchedulerFunc callback;
    std::string key;
    float interval = 0.0f;
    unsigned int repeat = 0;
    float delay = 0.0f;
    bool waitingForDelay = false;
    bool runForever = false;
    bool started = false;
    float elapsed = 0.0f;
    unsigned int timesExecuted = 0;
    bool aborted = false;
};

struct Scheduler::TargetEntry {
    const void* target = nullptr;
    bool paused = false;
    std::vector<std::shared_ptr<Timer>> timers;

    Timer* find(const std::string& key) const {
        for (const auto& t : timers)
            if (!t->aborted && t->key == key) return t.get();
        return nullptr;
    }
    bool hasLiveTimers() const {
        return std::any_of(timers.begin(), timers.end(), [](const std::shared_ptr<Timer>& t) { return !t->aborted; });
    }
};

struct Scheduler::ScriptEntry {
    unsigned int id = 0;
    bool paused = false;
    Timer timer;
};

namespace {
// Process-wide, as the engine numbers its script entries: an id kept by a
// closed Lua state never names a later entry.
unsigned int g_lastScriptEntryId = 0;
} // namespace

Scheduler::Scheduler() = default;

Scheduler::~Scheduler() = default;

Scheduler::TargetEntry* Scheduler::findTarget(const void* target) const {
    for (const auto& entry : _targets)
        if (entry->target == target) return entry.get();
    return nullptr;
}

void Scheduler::schedule(const ccSchedulerFunc& callback, void* target, float interval, unsigned int repeat,
                         float delay, bool paused, const std::string& key) {
    _thread.check("Scheduler::schedule");
    if (!target || key.empty() || !callback) {
        log("cocos2d: Scheduler::schedule needs a target, a key and a callback (key \"%s\")", key.c_str());
        return;
    }
    TargetEntry* entry = findTarget(target);
    if (!entry) {
        _targets.push_back(std::make_unique<TargetEntry>());
        entry = _targets.back().get();
        entry->target = target;
        entry->paused = paused;
    }
    if (Timer* existing = entry->find(key)) {
        // Only the interval changes; the clock, repeat count and delay stay.
        existing->interval = interval;
        return;
    }
    auto timer = std::make_shared<Timer>();
    timer->callback = callback;
    timer->key = key;
    timer->interval = interval;
    timer->repeat = repeat;
    timer->delay = delay;
    timer->waitingForDelay = delay > 0.0f;
    timer->runForever = repeat == CC_REPEAT_FOREVER;
    entry->timers.push_back(std::move(timer));
}

void Scheduler::schedule(const ccSchedulerFunc& callback, void* target, float interval, bool paused,
                         const std::string& key) {
    schedule(callback, target, interval, CC_REPEAT_FOREVER, 0.0f, paused, key);
}

void Scheduler::unschedule(const std::string& key, void* target) {
    _thread.check("Scheduler::unschedule");
    TargetEntry* entry = findTarget(target);
    if (!entry) return;
    Timer* timer = entry->find(key);
    if (!timer) return;
    timer->aborted = true;
    if (!_updating) removeDeadEntries();
}

void Scheduler::unscheduleAllForTarget(void* target) {
    _thread.check("Scheduler::unscheduleAllForTarget");
    TargetEntry* entry = findTarget(target);
    if (!entry) return;
    for (auto& t : entry->timers) t->aborted = true;
    if (!_updating) removeDeadEntries();
}

void Scheduler::unscheduleAll() {
    _thread.check("Scheduler::unscheduleAll");
    for (auto& entry : _targets)
        for (auto& t : entry->timers) t->aborted = true;
    for (auto& entry : _scriptEntries) entry->timer.aborted = true;
    if (!_updating) removeDeadEntries();
}

unsigned int Scheduler::scheduleScriptFunc(const ccSchedulerFunc& callback, float interval, bool paused) {
    _thread.check("Scheduler::scheduleScriptFunc");
    if (!callback) {
        log("cocos2d: Scheduler::scheduleScriptFunc needs a callback");
        return 0;
    }
    auto entry = std::make_shared<ScriptEntry>();
    entry->paused = paused;
    entry->timer.callback = callback;
    entry->timer.interval = interval;
    entry->timer.repeat = CC_REPEAT_FOREVER;
    entry->timer.runForever = true;
    _scriptEntries.push_back(entry);
    entry->id = ++g_lastScriptEntryId;
    return entry->id;
}

void Scheduler::unscheduleScriptEntry(unsigned int entryId) {
    _thread.check("Scheduler::unscheduleScriptEntry");
    for (auto& entry : _scriptEntries) {
        if (entry->id != entryId || entry->timer.aborted) continue;
        entry->timer.aborted = true;
        if (!_updating) removeDeadEntries();
        return;
    }
}

bool Scheduler::isScriptEntryScheduled(unsigned int entryId) const {
    _thread.check("Scheduler::isScriptEntryScheduled");
    return std::any_of(_scriptEntries.begin(), _scriptEntries.end(), [entryId](const std::shared_ptr<ScriptEntry>& e) {
        return e->id == entryId && !e->timer.aborted;
    });
}

bool Scheduler::isScheduled(const std::string& key, const void* target) const {
    _thread.check("Scheduler::isScheduled");
    const TargetEntry* entry = findTarget(target);
    return entry && entry->find(key) != nullptr;
}

void Scheduler::pauseTarget(void* target) {
    _thread.check("Scheduler::pauseTarget");
    if (TargetEntry* entry = findTarget(target)) entry->paused = true;
}

void Scheduler::resumeTarget(void* target) {
    _thread.check("Scheduler::resumeTarget");
    if (TargetEntry* entry = findTarget(target)) entry->paused = false;
}

bool Scheduler::isTargetPaused(void* target) {
    _thread.check("Scheduler::isTargetPaused");
    const TargetEntry* entry = findTarget(target);
    return entry && entry->paused;
}

void Scheduler::setTimeScale(float timeScale) {
    _thread.check("Scheduler::setTimeScale");
    _timeScale = timeScale;
}

float Scheduler::getTimeScale() const {
    _thread.check("Scheduler::getTimeScale");
    return _timeScale;
}

void Scheduler::updateTimer(Timer& timer, float dt) {
    if (!timer.started) {
        timer.started = true;
        timer.elapsed = 0.0f;
        timer.timesExecuted = 0;
        return;
    }
    timer.elapsed += dt;

    // Fires once; false when the timer is done (ran out or was unscheduled by its callback).
    auto fire = [&](float firedDt) {
        timer.callback(firedDt);
        ++timer.timesExecuted;
        if (!timer.runForever && timer.timesExecuted > timer.repeat) timer.aborted = true;
        return !timer.aborted;
    };

    if (timer.waitingForDelay) {
        if (timer.elapsed < timer.delay) return;
        timer.waitingForDelay = false;
        timer.elapsed -= timer.delay;
        if (!fire(timer.delay)) return;
    }

    if (timer.interval <= 0.0f) {
        const float firedDt = timer.elapsed;
        timer.elapsed = 0.0f;
        fire(firedDt);
        return;
    }
    // Catch-up: a long frame fires an interval timer several times.
    while (timer.elapsed >= timer.interval) {
        timer.elapsed -= timer.interval;
        if (!fire(timer.interval)) return;
    }
}

void Scheduler::update(float dt) {
    _thread.check("Scheduler::update");
    if (_updating) {
        log("cocos2d: Scheduler::update called from inside a scheduler callback; ignored");
        return;
    }
    _updating = true;
    dt *= _timeScale;

    // Index loops: callbacks may append targets and timers while we walk.
    for (size_t ti = 0; ti < _targets.size(); ++ti) {
        TargetEntry* entry = _targets[ti].get();
        for (size_t i = 0; i < entry->timers.size(); ++i) {
            if (entry->paused) break; // a callback may pause its own target
            std::shared_ptr<Timer> timer = entry->timers[i]; // alive even if unscheduled meanwhile
            if (timer->aborted) continue;
            updateTimer(*timer, dt);
        }
    }
    // Each entry by its own paused state; entries added meanwhile are reached too.
    for (size_t i = 0; i < _scriptEntries.size(); ++i) {
        std::shared_ptr<ScriptEntry> entry = _scriptEntries[i];
        if (entry->paused || entry->timer.aborted) continue;
        updateTimer(entry->timer, dt);
    }

    removeDeadEntries();
    _updating = false;
    runQueuedFunctions();
}

void Scheduler::removeDeadEntries() {
    for (auto& entry : _targets) {
        auto& timers = entry->timers;
        timers.erase(std::remove_if(timers.begin(), timers.end(),
                                    [](const std::shared_ptr<Timer>& t) { return t->aborted; }),
                     timers.end());
    }
    _scriptEntries.erase(std::remove_if(_scriptEntries.begin(), _scriptEntries.end(),
                                        [](const std::shared_ptr<ScriptEntry>& e) { return e->timer.aborted; }),
                         _scriptEntries.end());
    _targets.erase(std::remove_if(_targets.begin(), _targets.end(),
                                  [](const std::unique_ptr<TargetEntry>& e) { return e->timers.empty(); }),
                   _targets.end());
}

void Scheduler::runQueuedFunctions() {
    std::vector<std::function<void()>> batch;
    {
        std::lock_guard<std::mutex> lock(_queueMutex);
        if (_queue.empty()) return;
        batch.swap(_queue);
    }
    // Run unlocked: a function may queue more (next tick) or wait on a worker
    // that is itself queueing.
    for (auto& fn : batch)
        if (fn) fn();
}

void Scheduler::performFunctionInCocosThread(std::function<void()> fn) {
    if (!fn) return;
    std::lock_guard<std::mutex> lock(_queueMutex);
    _queue.push_back(std::move(fn));
}

void Scheduler::removeAllFunctionsToBePerformedInCocosThread() {
    std::lock_guard<std::mutex> lock(_queueMutex);
    _queue.clear();
}

} // namespace cocos2d
