// Lua registration of the native bridge (`zavu_native`, `zavu_secure_protect`,
// `zavu_secure_unprotect`) and its embedded bridge script.
#pragma once

struct lua_State;

// Main thread, once, with the game's main Lua state, which is kept for the
// results that arrive later. A null state does nothing.
void registerNativeBridge(lua_State* L);
