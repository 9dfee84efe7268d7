#include "proj.win32/LuaProtectedCall.h"

#include "cocos2d.h"

bool runLuaProtected(lua_State* L, const char* what, lua_CFunction body, void* data) {
    if (lua_cpcall(L, body, data) == 0) return true;
    const char* message = lua_tostring(L, -1);  // an error object need not be a string
    cocos2d::log("[LUA ERROR] %s that bai: %s", what, message ? message : "(loi khong phai chuoi)");
    lua_pop(L, 1);
    return false;
}
