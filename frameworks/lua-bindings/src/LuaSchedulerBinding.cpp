// The Lua functions live in a registry table keyed by entry id; the engine
// timer (target: the main state, key "scriptEntry_<id>") only carries the id.
#include "LuaSchedulerBinding.h"

#include "LuaClassSupport.h"

#include "base/CCConsole.h"
#include "base/CCDirector.h"
#include "base/CCScheduler.h"

#include <exception>
#include <string>

namespace cocos2d {
namespace {

constexpr char kDirectorMeta[] = "cc.Director";
constexpr char kSchedulerMeta[] = "cc.Scheduler";
constexpr char kEntriesKey[] = "cc.Scheduler.entries";
constexpr char kSentinelMeta[] = "cc.Scheduler.sentinel";

// Ids are unique in the process, so an id from a closed state never names a
// new entry.
lua_Integer g_lastEntryId = 0;

std::string entryKey(lua_Integer id) { return "scriptEntry_" + std::to_string(static_cast<long long>(id)); }

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

void runEntry(lua_State* L, lua_Integer id, float dt) {
    lua_pushcfunction(L, callEntry);
    lua_pushinteger(L, id);
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
    const lua_Integer id = ++g_lastEntryId;
    pushEntries(L);
    lua_pushvalue(L, 2);
    lua_rawseti(L, -2, static_cast<int>(id));
    lua_pop(L, 1);

    bool failed = false;
    try {
        Director::getInstance()->getScheduler()->schedule(
            [main, id](float dt) { runEntry(main, id, dt); }, main, static_cast<float>(interval), CC_REPEAT_FOREVER,
            0.0f, paused, entryKey(id));
    } catch (const std::exception&) {
        failed = true;
    }
    if (failed) {
        pushEntries(L);
        lua_pushnil(L);
        lua_rawseti(L, -2, static_cast<int>(id));
        return luaL_error(L, "scheduleScriptFunc: cannot schedule");
    }
    lua_pushinteger(L, id);
    return 1;
}

int unscheduleScriptEntry(lua_State* L) {
    luaL_checkudata(L, 1, kSchedulerMeta);
    const lua_Integer id = luaL_checkinteger(L, 2);
    pushEntries(L);
    lua_pushnil(L);
    lua_rawseti(L, -2, static_cast<int>(id));
    lua_pop(L, 1);
    lua_State* main = mainState(L);
    bool failed = false;
    try {
        Director::getInstance()->getScheduler()->unschedule(entryKey(id), main);
    } catch (const std::exception&) {
        failed = true;
    }
    if (failed) return luaL_error(L, "unscheduleScriptEntry: out of memory");
    return 0;
}

// Collected when the state closes: no timer may call into it afterwards.
int unscheduleAllOfState(lua_State* L) {
    lua_State* main = *static_cast<lua_State**>(lua_touserdata(L, 1));
    Director::getInstance()->getScheduler()->unscheduleAllForTarget(main);
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

    auto* slot = static_cast<lua_State**>(lua_newuserdata(L, sizeof(lua_State*)));
    *slot = L;
    luaL_newmetatable(L, kSentinelMeta);
    lua_pushcfunction(L, unscheduleAllOfState);
    lua_setfield(L, -2, "__gc");
    lua_setmetatable(L, -2);
    lua_setfield(L, LUA_REGISTRYINDEX, kSentinelMeta);
}

} // namespace cocos2d
