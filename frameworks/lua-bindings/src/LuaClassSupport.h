// Small helpers shared by the engine class bindings: the `cc` table, class
// tables whose instances find their methods through it, and the main state.
#pragma once

#include "lua.hpp"

namespace cocos2d {

// Leaves the global table `cc` on the stack, creating it when missing.
void pushCcTable(lua_State* L);

// Creates cc.<name> with the given functions and the registry metatable
// "cc.<name>" for its userdata instances, whose __index is the class table:
// methods are looked up on the class at call time, so a script that replaces
// a method on the class changes every instance. Leaves nothing on the stack.
void registerClass(lua_State* L, const char* name, const luaL_Reg* functions);

// A process-wide instance of class cc.<name>: one userdata per state, cached
// in the registry, pushed onto the stack.
void pushSingleton(lua_State* L, const char* name);

// The state the bindings were registered in. Callbacks from the engine run
// there, never on the coroutine that made the call.
void rememberMainState(lua_State* L);
lua_State* mainState(lua_State* L);

} // namespace cocos2d
