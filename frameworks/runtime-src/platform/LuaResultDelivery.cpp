#include "platform/LuaResultDelivery.h"

#include "lua.hpp"

namespace {

lua_State* mainState = nullptr;
lua_State* callingState = nullptr;
unsigned mainStateGeneration = 0;  // counts registrations

lua_State* deliveryState() { return callingState ? callingState : mainState; }

void releaseReference(int luaRef) {
    lua_State* L = deliveryState();
    if (luaRef == -1 || !L) return;
    luaL_unref(L, LUA_REGISTRYINDEX, luaRef);
}

}  // namespace

void setMainLuaState(lua_State* L) {
    mainState = L;
    ++mainStateGeneration;
}

CallingLuaStateScope::CallingLuaStateScope(lua_State* L) : previous_(callingState) { callingState = L; }

CallingLuaStateScope::~CallingLuaStateScope() { callingState = previous_; }

void deliverLuaResult(int luaRef, const std::string& text) {
    lua_State* L = deliveryState();
    if (luaRef == -1 || !L) return;
    lua_rawgeti(L, LUA_REGISTRYINDEX, luaRef);
    if (lua_isfunction(L, -1)) {
        lua_pushstring(L, text.c_str());
        if (lua_pcall(L, 1, 0, 0) != 0) lua_pop(L, 1);  // the script's own error: not ours to report
    } else {
        lua_pop(L, 1);
    }
    luaL_unref(L, LUA_REGISTRYINDEX, luaRef);
}

PendingLuaCallback::PendingLuaCallback(int luaRef) : luaRef_(luaRef), generation_(mainStateGeneration) {}

PendingLuaCallback::~PendingLuaCallback() {
    if (generation_ == mainStateGeneration) releaseReference(luaRef_);
}

int PendingLuaCallback::claim() {
    const int ref = generation_ == mainStateGeneration ? luaRef_ : -1;
    luaRef_ = -1;
    return ref;
}
