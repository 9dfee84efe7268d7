// The game's print pair: `print` is silent in this build of the game, and
// `release_print` writes "[LUA-print] <text>" to the engine log.
#pragma once

struct lua_State;

namespace cocos2d {

void registerPrintFunctions(lua_State* L);

} // namespace cocos2d
