// Lua registration of the top-up web window (`zavu_openPayWebView`).
#pragma once

struct lua_State;

// Main thread, with the game's Lua state; a null state does nothing. Stores
// the global "zavu_openPayWebView"(url [, package]) -> boolean.
void registerPayWebViewLua(lua_State* L);
