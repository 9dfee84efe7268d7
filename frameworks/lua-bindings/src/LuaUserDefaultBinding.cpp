// Each method checks its arguments first and keeps its C++ objects inside a
// try block that ends before any Lua error is raised: a Lua error unwinds
// past C++ frames without running destructors.
#include "LuaUserDefaultBinding.h"

#include "LuaClassSupport.h"

#include "base/CCUserDefault.h"

#include <exception>
#include <string>

namespace cocos2d {
namespace {

constexpr char kClass[] = "UserDefault";
constexpr char kMeta[] = "cc.UserDefault";

int getInstance(lua_State* L) {
    pushSingleton(L, kClass);
    return 1;
}

int setStringForKey(lua_State* L) {
    luaL_checkudata(L, 1, kMeta);
    const char* key = luaL_checkstring(L, 2);
    std::size_t size = 0;
    const char* value = luaL_checklstring(L, 3, &size);
    bool failed = false;
    try {
        UserDefault::getInstance()->setStringForKey(key, std::string(value, size));
    } catch (const std::exception&) {
        failed = true;
    }
    if (failed) return luaL_error(L, "UserDefault:setStringForKey: out of memory");
    return 0;
}

int getStringForKey(lua_State* L) {
    luaL_checkudata(L, 1, kMeta);
    const char* key = luaL_checkstring(L, 2);
    std::size_t defaultSize = 0;
    const char* defaultValue = luaL_optlstring(L, 3, "", &defaultSize);
    bool failed = false;
    try {
        const std::string value =
            UserDefault::getInstance()->getStringForKey(key, std::string(defaultValue, defaultSize));
        lua_pushlstring(L, value.data(), value.size());  // raises only when out of memory
    } catch (const std::exception&) {
        failed = true;
    }
    if (failed) return luaL_error(L, "UserDefault:getStringForKey: out of memory");
    return 1;
}

const luaL_Reg kFunctions[] = {
    {"getInstance", getInstance},
    {"setStringForKey", setStringForKey},
    {"getStringForKey", getStringForKey},
    {nullptr, nullptr},
};

} // namespace

void registerUserDefaultBinding(lua_State* L) { registerClass(L, kClass, kFunctions); }

} // namespace cocos2d
