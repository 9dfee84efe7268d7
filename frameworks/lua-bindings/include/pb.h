// The protobuf wire-format module `pb` for the game's Lua protobuf code.
// C linkage, as the module is a C Lua library.
#pragma once

struct lua_State;

#ifdef __cplusplus
extern "C" {
#endif

// Registers the global table `pb` (also package.loaded.pb) and leaves it on the stack.
int luaopen_pb(lua_State* L);

#ifdef __cplusplus
}
#endif
