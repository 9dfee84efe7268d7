#include "BindingModules.h"

#include "lua.hpp"

namespace cocos2d {
namespace {

constexpr char kRecordKey[] = "binding_modules";

void pushRecord(lua_State* L) {
    lua_getfield(L, LUA_REGISTRYINDEX, kRecordKey);
    if (lua_istable(L, -1)) return;
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushvalue(L, -1);
    lua_setfield(L, LUA_REGISTRYINDEX, kRecordKey);
}

void ensureNamespace(lua_State* L, const char* ns) {
    lua_getglobal(L, ns);
    const bool present = lua_istable(L, -1);
    lua_pop(L, 1);
    if (present) return;
    lua_newtable(L);
    lua_setglobal(L, ns);
}

} // namespace

void recordBindingModule(lua_State* L, const char* name, const char* ns) {
    ensureNamespace(L, ns);
    pushRecord(L);
    lua_pushstring(L, name);
    lua_rawseti(L, -2, static_cast<int>(lua_objlen(L, -2)) + 1);
    lua_pop(L, 1);
}

} // namespace cocos2d
