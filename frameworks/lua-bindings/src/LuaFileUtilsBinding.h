// A minimal `cc.FileUtils` for scripts: getInstance() and the lookups the
// game's own scripts use (isFileExist, fullPathForFilename,
// getStringFromFile, getWritablePath, addSearchPath, getSearchPaths).
#pragma once

struct lua_State;

namespace cocos2d {

void registerFileUtilsBinding(lua_State* L);

} // namespace cocos2d
