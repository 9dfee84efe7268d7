#include "LuaClassSupport.h"

#include <string>

namespace cocos2d {
namespace {

constexpr char kMainStateKey[] = "cc.mainState";

} // namespace

void pushCcTable(lua_State* L) {
    lua_getglobal(L, "cc");
    if (lua_istable(L, -1)) return;
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushvalue(L, -1);
    lua_setglobal(L, "cc");
}

void registerClass(lua_State* L, const char* name, const luaL_Reg* functions) {
    pushCcTable(L);
    lua_newtable(L);  // the class
    luaL_register(L, nullptr, functions);
    lua_pushvalue(L, -1);
    lua_setfield(L, -3, name);

    lua_pushfstring(L, "cc.%s", name);
    luaL_newmetatable(L, lua_tostring(L, -1));
    lua_pushvalue(L, -3);
    lua_setfield(L, -2, "__index");
    lua_pop(L, 4);  // metatable, its name, class, cc
}

void pushSingleton(lua_State* L, const char* name) {
    lua_pushfstring(L, "cc.%s.instance", name);
    lua_pushvalue(L, -1);
    lua_rawget(L, LUA_REGISTRYINDEX);
    if (!lua_isnil(L, -1)) {
        lua_remove(L, -2);
        return;
    }
    lua_pop(L, 1);
    lua_newuserdata(L, 1);
    lua_pushfstring(L, "cc.%s", name);
    lua_rawget(L, LUA_REGISTRYINDEX);
    lua_setmetatable(L, -2);
    lua_pushvalue(L, -2);  // key
    lua_pushvalue(L, -2);  // instance
    lua_rawset(L, LUA_REGISTRYINDEX);
    lua_remove(L, -2);
}

void rememberMainState(lua_State* L) {
    lua_pushlightuserdata(L, L);
    lua_setfield(L, LUA_REGISTRYINDEX, kMainStateKey);
}

lua_State* mainState(lua_State* L) {
    lua_getfield(L, LUA_REGISTRYINDEX, kMainStateKey);
    auto* state = static_cast<lua_State*>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    return state != nullptr ? state : L;
}

} // namespace cocos2d
