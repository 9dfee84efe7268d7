// Lua registration of the top-up web window (`zavu_openPayWebView`).
#pragma once

struct lua_State;

// Main thread, with the game's Lua state. Registers nothing yet: the web
// window is not built in this version.
void registerPayWebViewLua(lua_State* L);
