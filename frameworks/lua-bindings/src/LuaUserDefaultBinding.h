// `cc.UserDefault`: getInstance(), and on the instance setStringForKey(key,
// value) and getStringForKey(key [, default]), on the engine's UserDefault.
#pragma once

struct lua_State;

namespace cocos2d {

void registerUserDefaultBinding(lua_State* L);

} // namespace cocos2d
