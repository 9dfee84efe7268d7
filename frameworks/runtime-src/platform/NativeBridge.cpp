#include "NativeBridge.h"

#include "platform/SecureStorageLua.h"

#include "lua.hpp"

void registerNativeBridge(lua_State* L) {
    lua_pushcclosure(L, luaSecureProtect, 0);
    lua_setfield(L, LUA_GLOBALSINDEX, "zavu_secure_protect");
    lua_pushcclosure(L, luaSecureUnprotect, 0);
    lua_setfield(L, LUA_GLOBALSINDEX, "zavu_secure_unprotect");
}
