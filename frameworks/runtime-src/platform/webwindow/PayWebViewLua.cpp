// The Lua face of the web window: zavu_openPayWebView(url [, package]).
#include "platform/webwindow/PayWebViewLua.h"

#include "platform/webwindow/WebWindow.h"

#include "lua.hpp"

#include <string>

namespace {

// Always exactly one boolean; raises no Lua error and lets no C++ exception out.
int zavu_openPayWebView(lua_State* L) {
    size_t urlLength = 0, packageLength = 0;
    const char* url = lua_isstring(L, 1) ? lua_tolstring(L, 1, &urlLength) : nullptr;
    const char* package = lua_isstring(L, 2) ? lua_tolstring(L, 2, &packageLength) : nullptr;
    bool opened = false;
    if (url) {
        try {
            opened = openWebWindow(std::string(url, urlLength),
                                   package ? std::string(package, packageLength) : std::string());
        } catch (...) {
            // Out of memory building the strings: the window did not open, and
            // the exception must not reach Lua's frames.
            opened = false;
        }
    }
    lua_pushboolean(L, opened ? 1 : 0);
    return 1;
}

}  // namespace

void registerPayWebViewLua(lua_State* L) {
    if (!L) return;
    lua_pushcclosure(L, &zavu_openPayWebView, 0);
    lua_setfield(L, LUA_GLOBALSINDEX, "zavu_openPayWebView");
}
