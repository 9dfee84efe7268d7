// LuaSocket, as the binding library offers it: package.preload gets
// "socket.core" and "mime.core" (the C modules, linked in) and the Lua
// modules "socket", "ltn12", "mime", "mbox", "socket.http", "socket.url",
// "socket.tp", "socket.ftp", "socket.smtp" and "socket.headers", whose texts
// are embedded at build time from LuaSocket's own sources. Nothing is loaded
// until a script requires it.
#pragma once

struct lua_State;

namespace cocos2d {

void preloadLuaSocket(lua_State* L);

} // namespace cocos2d
