// Script file naming and the `require` loader that reads through FileUtils.
#pragma once

#include <string>

struct lua_State;

namespace cocos2d {

class LuaStack;

// "a.lua" and "a.luac" become "a"; other names are kept.
std::string stripScriptExtension(const std::string& name);
// base + ".luac" when FileUtils finds it, else base + ".lua" when it finds
// that, else base itself.
std::string chooseScriptFile(const std::string& base);

// Puts the loader at package.loaders[2], after the preload searcher and before
// Lua's own file searchers, so game scripts always come through FileUtils and
// the stack's decryption.
void installScriptLoader(lua_State* L, LuaStack* stack);

} // namespace cocos2d
