#include "LuaPrint.h"

#include "base/CCConsole.h"

#include "lua.hpp"

namespace cocos2d {
namespace {

int silentPrint(lua_State*) { return 0; }

// Joins tostring() of every argument with tabs, as Lua's own print does,
// into a Lua buffer (no C++ objects: tostring may raise a Lua error).
int releasePrint(lua_State* L) {
    const int count = lua_gettop(L);
    luaL_Buffer text;
    lua_getglobal(L, "tostring");
    luaL_buffinit(L, &text);
    for (int i = 1; i <= count; ++i) {
        lua_pushvalue(L, count + 1);  // tostring
        lua_pushvalue(L, i);
        lua_call(L, 1, 1);
        if (lua_type(L, -1) != LUA_TSTRING) return luaL_error(L, "'tostring' must return a string to 'print'");
        if (i > 1) luaL_addchar(&text, '\t');
        luaL_addvalue(&text);
    }
    luaL_pushresult(&text);
    log("[LUA-print] %s", lua_tostring(L, -1));
    return 0;
}

} // namespace

void registerPrintFunctions(lua_State* L) {
    lua_pushcfunction(L, silentPrint);
    lua_setglobal(L, "print");
    lua_pushcfunction(L, releasePrint);
    lua_setglobal(L, "release_print");
}

} // namespace cocos2d
