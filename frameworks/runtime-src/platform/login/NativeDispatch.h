// `zavu_native`(cls, mth, args): the game's calls to the platform class
// "PlatformQolavi". Main thread only. Returns exactly one value: true, a
// boolean or a string for a known method, nil for any other call (the bridge
// script then falls back to the game's own native call).
#pragma once

#include <string>

struct lua_State;

int luaZavuNative(lua_State* L);

// Registry reference of element 1 of the table at index when it is a
// function, else -1.
int luaCallbackRef(lua_State* L, int index);

// Element n of the table at tableIndex as text (numbers too, up to the first
// NUL); empty when it is no table or no string.
std::string luaArgString(lua_State* L, int tableIndex, int n);
