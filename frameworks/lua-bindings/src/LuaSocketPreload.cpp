#include "LuaSocketPreload.h"

#include "lua.hpp"

#include <cstring>

extern "C" int luaopen_socket_core(lua_State* L);
extern "C" int luaopen_mime_core(lua_State* L);

// Generated from LuaSocket's Lua sources (see this library's CMakeLists).
extern const char luasocket_socket[];
extern const char luasocket_ltn12[];
extern const char luasocket_mime[];
extern const char luasocket_mbox[];
extern const char luasocket_socket_http[];
extern const char luasocket_socket_url[];
extern const char luasocket_socket_tp[];
extern const char luasocket_socket_ftp[];
extern const char luasocket_socket_smtp[];
extern const char luasocket_socket_headers[];

namespace cocos2d {
namespace {

struct LuaModule {
    const char* name;
    const char* source;
};

const LuaModule kLuaModules[] = {
    {"socket", luasocket_socket},
    {"ltn12", luasocket_ltn12},
    {"mime", luasocket_mime},
    {"mbox", luasocket_mbox},
    {"socket.http", luasocket_socket_http},
    {"socket.url", luasocket_socket_url},
    {"socket.tp", luasocket_socket_tp},
    {"socket.ftp", luasocket_socket_ftp},
    {"socket.smtp", luasocket_socket_smtp},
    {"socket.headers", luasocket_socket_headers},
};

// package.preload[name](name): runs the module's embedded text, whose
// index in kLuaModules is the upvalue.
int loadLuaModule(lua_State* L) {
    const LuaModule& module = kLuaModules[lua_tointeger(L, lua_upvalueindex(1))];
    const char* name = luaL_checkstring(L, 1);
    lua_pushfstring(L, "=%s", module.name);
    if (luaL_loadbuffer(L, module.source, std::strlen(module.source), lua_tostring(L, -1)) != 0) {
        return lua_error(L);
    }
    lua_pushstring(L, name);
    lua_call(L, 1, 1);
    return 1;
}

} // namespace

void preloadLuaSocket(lua_State* L) {
    lua_getglobal(L, "package");
    lua_getfield(L, -1, "preload");
    lua_pushcfunction(L, luaopen_socket_core);
    lua_setfield(L, -2, "socket.core");
    lua_pushcfunction(L, luaopen_mime_core);
    lua_setfield(L, -2, "mime.core");
    for (std::size_t i = 0; i < sizeof(kLuaModules) / sizeof(kLuaModules[0]); ++i) {
        lua_pushinteger(L, static_cast<lua_Integer>(i));
        lua_pushcclosure(L, loadLuaModule, 1);
        lua_setfield(L, -2, kLuaModules[i].name);
    }
    lua_pop(L, 2);
}

} // namespace cocos2d
