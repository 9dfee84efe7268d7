// Lua registration of the native bridge (`zavu_native`, `zavu_secure_protect`,
// `zavu_secure_unprotect`) and its embedded bridge script.
#pragma once

struct lua_State;

// Main thread, with the game's Lua state. Registers the two storage globals;
// the dispatcher and the bridge script are not built in this version.
void registerNativeBridge(lua_State* L);
