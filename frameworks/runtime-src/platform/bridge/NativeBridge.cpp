#include "platform/bridge/NativeBridge.h"

#include "platform/login/LuaResultDelivery.h"
#include "platform/bridge/NativeBridgeScript.h"
#include "platform/login/NativeDispatch.h"
#include "platform/storage/SecureStorageLua.h"

#include "lua.hpp"

namespace {

void setGlobalFunction(lua_State* L, const char* name, lua_CFunction function) {
    lua_pushcclosure(L, function, 0);
    lua_setfield(L, LUA_GLOBALSINDEX, name);
}

}  // namespace

void registerNativeBridge(lua_State* L) {
    if (!L) return;
    setMainLuaState(L);
    setGlobalFunction(L, "zavu_native", luaZavuNative);
    setGlobalFunction(L, "zavu_secure_protect", luaSecureProtect);
    setGlobalFunction(L, "zavu_secure_unprotect", luaSecureUnprotect);

    // The script's errors leave the globals in place and are not reported; its
    // results are dropped so the caller's stack is as it was.
    const int top = lua_gettop(L);
    if (luaL_loadstring(L, nativeBridgeScript) == 0) lua_pcall(L, 0, LUA_MULTRET, 0);
    lua_settop(L, top);
}
