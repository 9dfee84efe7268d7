// The record of opened binding modules: the sequence
// debug.getregistry().binding_modules, in the order they were opened.
#pragma once

struct lua_State;

namespace cocos2d {

// Appends name to the record and makes sure the global table ns exists.
void recordBindingModule(lua_State* L, const char* name, const char* ns);

} // namespace cocos2d
