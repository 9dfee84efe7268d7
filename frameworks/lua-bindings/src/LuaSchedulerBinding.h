// `cc.Director:getInstance():getScheduler()` and, on the scheduler,
// scheduleScriptFunc(fn, interval, paused) -> entry id and
// unscheduleScriptEntry(id), on the engine's Scheduler.
//
// An entry is one of the engine scheduler's script entries, repeating forever
// (interval 0: every tick) with its own paused state: a paused entry never
// runs and holds back no other. Like every engine timer it first runs on the
// tick after the one that first sees it. The function is called with the
// tick's dt, on the main state, under a protected call; an error is logged
// "[LUA ERROR] ..." and the entry stays scheduled. Entries of a state are
// unscheduled when the state closes.
#pragma once

struct lua_State;

namespace cocos2d {

void registerSchedulerBinding(lua_State* L);

} // namespace cocos2d
