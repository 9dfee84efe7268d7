// The Lua functions live in a registry table keyed by entry id; the engine's
// script entry (its own paused state, its own clock) only carries the id.
#include "LuaSchedulerBinding.h"

#include "LuaClassSupport.h"

#include "base/CCConsole.h"
#include "base/CCDirector.h"
#include "base/CCScheduler.h"

#include <exception>
#include <memory>

namespace cocos2d {
namespace {

constexpr char kDirectorMeta[] = "cc.Director";
constexpr char kSchedulerMeta[] = "cc.Scheduler";
constexpr char kEntriesKey[] = "cc.Scheduler.entries";
constexpr char kSentinelMeta[] = "cc.Scheduler.sentinel";

void pushEntries(lua_State* L) { lua_getfield(L, LUA_REGISTRYINDEX, kEntriesKey); }

// Protected part of a tick: entries[id](dt).
int callEntry(lua_State* L) {
    const lua_Integer id = lua_tointeger(L, 1);
    const lua_Number dt = lua_tonumber(L, 2);
    pushEntries(L);
    lua_rawgeti(L, -1, static_cast<int>(id));
    if (!lua_isfunction(L, -1)) return 0;  // unscheduled earlier in this tick
    lua_pushnumber(L, dt);
    lua_call(L, 1, 0);
    return 0;
}

void runEntry(lua_State* L, unsigned int id, float dt) {
    lua_pushcfunction(L, callEntry);
    lua_pushinteger(L, static_cast<lua_Integer>(id));
    lua_pushnumber(L, dt);
    if (lua_pcall(L, 2, 0, 0) != 0) {
        const char* message = lua_tostring(L, -1);
        log("[LUA ERROR] %s", message != nullptr ? message : "(error object is not a string)");
        lua_pop(L, 1);
    }
}

int directorGetInstance(lua_State* L) {
    pushSingleton(L, "Director");
    return 1;
}

int directorGetScheduler(lua_State* L) {
    luaL_checkudata(L, 1, kDirectorMeta);
    pushSingleton(L, "Scheduler");
    return 1;
}

int scheduleScriptFunc(lua_State* L) {
    luaL_checkudata(L, 1, kSchedulerMeta);
    luaL_checktype(L, 2, LUA_TFUNCTION);
    const lua_Number interval = luaL_checknumber(L, 3);
    const bool paused = lua_toboolean(L, 4) != 0;
    luaL_argcheck(L, interval >= 0, 3, "interval must not be negative");

    lua_State* main = mainState(L);
    unsigned int id = 0;
    try {
        // The entry learns its id once scheduled; it cannot run before the next tick.
        auto idOfEntry = std::make_shared<unsigned int>(0);
        id = Director::getInstance()->getScheduler()->scheduleScriptFunc(
            [main, idOfEntry](float dt) { runEntry(main, *idOfEntry, dt); }, static_cast<float>(interval), paused);
        *idOfEntry = id;
    } catch (const std::exception&) {
        id = 0;
    }
    if (id == 0) return luaL_error(L, "scheduleScriptFunc: cannot schedule");
    pushEntries(L);
    lua_pushvalue(L, 2);
    lua_rawseti(L, -2, static_cast<int>(id));
    lua_pop(L, 1);
    lua_pushinteger(L, static_cast<lua_Integer>(id));
    return 1;
}

// Only an entry of this state: an id is a plain number a script may mistake.
int unscheduleScriptEntry(lua_State* L) {
    luaL_checkudata(L, 1, kSchedulerMeta);
    const lua_Integer id = luaL_checkinteger(L, 2);
    pushEntries(L);
    lua_rawgeti(L, -1, static_cast<int>(id));
    const bool ours = !lua_isnil(L, -1);
    lua_pop(L, 1);
    if (!ours) {
        lua_pop(L, 1);
        return 0;
    }
    lua_pushnil(L);
    lua_rawseti(L, -2, static_cast<int>(id));
    lua_pop(L, 1);
    Director::getInstance()->getScheduler()->unscheduleScriptEntry(static_cast<unsigned int>(id));
    return 0;
}

// Collected when the state closes (the registry is still there while
// finalizers run): no entry may call into the state afterwards.
int unscheduleAllOfState(lua_State* L) {
    Scheduler* scheduler = Director::getInstance()->getScheduler();
    pushEntries(L);
    if (!lua_istable(L, -1)) return 0;
    lua_pushnil(L);
    while (lua_next(L, -2) != 0) {
        lua_pop(L, 1);
        if (lua_type(L, -1) == LUA_TNUMBER)
            scheduler->unscheduleScriptEntry(static_cast<unsigned int>(lua_tointeger(L, -1)));
    }
    return 0;
}

const luaL_Reg kDirectorFunctions[] = {
    {"getInstance", directorGetInstance},
    {"getScheduler", directorGetScheduler},
    {nullptr, nullptr},
};

const luaL_Reg kSchedulerFunctions[] = {
    {"scheduleScriptFunc", scheduleScriptFunc},
    {"unscheduleScriptEntry", unscheduleScriptEntry},
    {nullptr, nullptr},
};

} // namespace

void registerSchedulerBinding(lua_State* L) {
    registerClass(L, "Director", kDirectorFunctions);
    registerClass(L, "Scheduler", kSchedulerFunctions);
    lua_newtable(L);
    lua_setfield(L, LUA_REGISTRYINDEX, kEntriesKey);

    lua_newuserdata(L, 0);
    luaL_newmetatable(L, kSentinelMeta);
    lua_pushcfunction(L, unscheduleAllOfState);
    lua_setfield(L, -2, "__gc");
    lua_setmetatable(L, -2);
    lua_setfield(L, LUA_REGISTRYINDEX, kSentinelMeta);
}

} // namespace cocos2d
