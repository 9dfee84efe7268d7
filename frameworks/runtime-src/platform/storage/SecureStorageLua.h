// The Lua globals over the protected blob: `zavu_secure_protect`(s) gives the
// blob or nil; `zavu_secure_unprotect`(s) gives the plain string, or nil and
// "notblob" / "fail". Strings are binary-safe both ways. Main thread, with the
// game's Lua state; registered by registerNativeBridge.
#pragma once

struct lua_State;

int luaSecureProtect(lua_State* L);
int luaSecureUnprotect(lua_State* L);
