// `cc.FileUtils:getInstance()` returns one table whose methods forward to
// FileUtils::getInstance(); the first argument (the object) is not used.
//
// Each method copies what it needs out of C++ before touching Lua, and
// checks its arguments before creating any C++ object: a Lua error unwinds
// past C++ frames without running destructors.
#include "LuaFileUtilsBinding.h"

#include "LuaClassSupport.h"

#include "platform/CCFileUtils.h"

#include "lua.hpp"

#include <string>

namespace cocos2d {
namespace {

constexpr char kInstanceKey[] = "cc.FileUtils.instance";

void pushString(lua_State* L, const std::string& text) { lua_pushlstring(L, text.data(), text.size()); }

int isFileExist(lua_State* L) {
    const char* name = luaL_checkstring(L, 2);
    lua_pushboolean(L, FileUtils::getInstance()->isFileExist(name));
    return 1;
}

int fullPathForFilename(lua_State* L) {
    const char* name = luaL_checkstring(L, 2);
    pushString(L, FileUtils::getInstance()->fullPathForFilename(name));
    return 1;
}

int getStringFromFile(lua_State* L) {
    const char* name = luaL_checkstring(L, 2);
    pushString(L, FileUtils::getInstance()->getStringFromFile(name));
    return 1;
}

int getWritablePath(lua_State* L) {
    pushString(L, FileUtils::getInstance()->getWritablePath());
    return 1;
}

int addSearchPath(lua_State* L) {
    const char* path = luaL_checkstring(L, 2);
    const bool front = lua_toboolean(L, 3) != 0;
    FileUtils::getInstance()->addSearchPath(path, front);
    return 0;
}

int getSearchPaths(lua_State* L) {
    const std::vector<std::string>& paths = FileUtils::getInstance()->getSearchPaths();
    lua_createtable(L, static_cast<int>(paths.size()), 0);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        pushString(L, paths[i]);
        lua_rawseti(L, -2, static_cast<int>(i + 1));
    }
    return 1;
}

int getInstance(lua_State* L) {
    lua_getfield(L, LUA_REGISTRYINDEX, kInstanceKey);
    return 1;
}

const luaL_Reg kMethods[] = {
    {"isFileExist", isFileExist},
    {"fullPathForFilename", fullPathForFilename},
    {"getStringFromFile", getStringFromFile},
    {"getWritablePath", getWritablePath},
    {"addSearchPath", addSearchPath},
    {"getSearchPaths", getSearchPaths},
    {nullptr, nullptr},
};

} // namespace

void registerFileUtilsBinding(lua_State* L) {
    lua_newtable(L);  // the instance
    luaL_register(L, nullptr, kMethods);
    lua_setfield(L, LUA_REGISTRYINDEX, kInstanceKey);

    pushCcTable(L);
    lua_newtable(L);  // the class
    lua_pushcfunction(L, getInstance);
    lua_setfield(L, -2, "getInstance");
    lua_setfield(L, -2, "FileUtils");
    lua_pop(L, 1);
}

} // namespace cocos2d
