#include "platform/login/LuaResultDelivery.h"

#include "proj.win32/LuaProtectedCall.h"

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

namespace {

struct Delivery {
    int luaRef;
    const std::string* text;
};

// Under lua_cpcall: a result often arrives from the message loop, outside any
// call of the script, and pushing it may run a collection step whose
// finalizer raises; unprotected, that error would end the process.
int deliverProtected(lua_State* L) {
    const auto* delivery = static_cast<const Delivery*>(lua_touserdata(L, 1));
    lua_rawgeti(L, LUA_REGISTRYINDEX, delivery->luaRef);
    // Released before anything can raise: the function stays on the stack.
    luaL_unref(L, LUA_REGISTRYINDEX, delivery->luaRef);
    if (!lua_isfunction(L, -1)) return 0;
    lua_pushlstring(L, delivery->text->data(), delivery->text->size());
    if (lua_pcall(L, 1, 0, 0) != 0) lua_pop(L, 1);  // the script's own error: not ours to report
    return 0;
}

}  // namespace

void deliverLuaResult(int luaRef, const std::string& text) {
    lua_State* L = deliveryState();
    if (luaRef == -1 || !L) return;
    Delivery delivery{luaRef, &text};
    runLuaProtected(L, "tra ket qua cho Lua", &deliverProtected, &delivery);
}

PendingLuaCallback::PendingLuaCallback(int luaRef)
    : luaRef_(luaRef), claimed_(false), generation_(mainStateGeneration) {}

PendingLuaCallback::~PendingLuaCallback() {
    if (!claimed_ && generation_ == mainStateGeneration) releaseReference(luaRef_);
}

bool PendingLuaCallback::claim(int* luaRef) {
    if (claimed_ || generation_ != mainStateGeneration) return false;
    claimed_ = true;
    *luaRef = luaRef_;
    return true;
}
