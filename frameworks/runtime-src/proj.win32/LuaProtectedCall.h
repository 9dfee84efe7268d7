// Calls from the host into Lua that run outside any script's own call: the
// registrations of the Lua start-up and the collection after boot. Run
// unprotected, an error raised inside (a __gc metamethod of the game or of a
// library during a collection, a metamethod of the globals table) has no
// handler to go to and ends the process; here it is logged and the host goes on.
// Main thread, like the Lua state.
#pragma once

#include "lua.hpp"

// Runs body(L) under lua_cpcall with data as its light userdata (index 1).
// On an error logs "[LUA ERROR] <what> that bai: <message>", drops the
// message and returns false.
bool runLuaProtected(lua_State* L, const char* what, lua_CFunction body, void* data = nullptr);
