#include "platform/login/NativeDispatch.h"

#include "platform/login/LoginAddresses.h"
#include "platform/storage/LoginStore.h"
#include "platform/login/LuaResultDelivery.h"
#include "platform/login/OpenUrlExternally.h"
#include "platform/login/SilentRelogin.h"
#include "platform/login/WebLoginFlows.h"
#include "platform/webwindow/WebWindow.h"

#include "base/CCConsole.h"

#include "lua.hpp"

#include <cstring>
#include <exception>

namespace {

constexpr int kArgsIndex = 3;

// What one method gives back to Lua; pushed only after the C++ work is done.
struct NativeReturn {
    enum class Kind { Nil, Boolean, String } kind = Kind::Nil;
    bool flag = false;
    std::string text;

    static NativeReturn nil() { return {}; }
    static NativeReturn boolean(bool value) { return {Kind::Boolean, value, {}}; }
    static NativeReturn string(std::string value) { return {Kind::String, false, std::move(value)}; }
};

NativeReturn done() { return NativeReturn::boolean(true); }

NativeReturn clearSavedLogin() {
    // Three separate saves, in this order: each is a whole load-change-save.
    clearSavedLoginValues({"method", "tg_rt", "gg_rt"});
    return done();
}

using MethodHandler = NativeReturn (*)(lua_State* L);

struct Method {
    const char* name;
    MethodHandler handler;
};

// Compared in this order; the first equal name acts.
const Method kMethods[] = {
    {"loginTelegram",
     [](lua_State* L) {
         webLoginStart("telegram", kTelegramLoginPage, kTelegramLoginPrefix, "tg_rt", luaCallbackRef(L, kArgsIndex));
         return done();
     }},
    {"loginTelegramSilent",
     [](lua_State* L) {
         silentRelogin("tg_rt", luaCallbackRef(L, kArgsIndex));
         return done();
     }},
    {"loginGoogle",
     [](lua_State* L) {
         webLoginStart("google", kGoogleLoginPage, kGoogleLoginPrefix, "gg_rt", luaCallbackRef(L, kArgsIndex));
         return done();
     }},
    {"loginGoogleSilent",
     [](lua_State* L) {
         silentRelogin("gg_rt", luaCallbackRef(L, kArgsIndex));
         return done();
     }},
    {"getSavedMethod", [](lua_State*) { return NativeReturn::string(getSavedLoginValue("method")); }},
    {"getGoogleIdToken",
     [](lua_State* L) {
         googleIdTokenLogin(luaCallbackRef(L, kArgsIndex));
         return done();
     }},
    {"bindTelegram",
     [](lua_State* L) {
         bindTelegramLogin(luaCallbackRef(L, kArgsIndex));
         return done();
     }},
    {"openPayWebView",
     [](lua_State* L) {
         const std::string url = luaArgString(L, kArgsIndex, 1);
         const std::string package = luaArgString(L, kArgsIndex, 2);
         return NativeReturn::boolean(openWebWindow(url, package));
     }},
    {"openTelegram",
     [](lua_State* L) {
         openUrlExternally(luaArgString(L, kArgsIndex, 1));
         return done();
     }},
    {"logout", [](lua_State*) { return clearSavedLogin(); }},
    {"switchAccount", [](lua_State*) { return clearSavedLogin(); }},
    {"clearSavedLogin", [](lua_State*) { return clearSavedLogin(); }},
    {"submitLoginInfo", [](lua_State*) { return done(); }},
    {"contactUs", [](lua_State*) { return done(); }},
    {"faceBookShare", [](lua_State*) { return done(); }},
    {"openCafeForum", [](lua_State*) { return done(); }},
    {"bandPhone", [](lua_State*) { return done(); }},
    {"exitGame", [](lua_State*) { return done(); }},
};

NativeReturn dispatch(lua_State* L, const char* cls, const char* mth) {
    if (!std::strstr(cls, "PlatformQolavi")) return NativeReturn::nil();
    for (const Method& method : kMethods) {
        if (std::strcmp(mth, method.name) == 0) return method.handler(L);
    }
    return NativeReturn::nil();
}

}  // namespace

int luaCallbackRef(lua_State* L, int index) {
    if (!lua_istable(L, index)) return -1;
    lua_rawgeti(L, index, 1);
    if (lua_isfunction(L, -1)) return luaL_ref(L, LUA_REGISTRYINDEX);
    lua_pop(L, 1);
    return -1;
}

std::string luaArgString(lua_State* L, int tableIndex, int n) {
    if (!lua_istable(L, tableIndex)) return std::string();
    lua_rawgeti(L, tableIndex, n);
    std::string text;
    if (lua_isstring(L, -1)) text = lua_tostring(L, -1);
    lua_pop(L, 1);
    return text;
}

int luaZavuNative(lua_State* L) {
    // Arguments first, as plain pointers: nothing with a destructor exists yet.
    const char* cls = lua_isstring(L, 1) ? lua_tostring(L, 1) : "";
    const char* mth = lua_isstring(L, 2) ? lua_tostring(L, 2) : "";
    NativeReturn result;
    try {
        CallingLuaStateScope calling(L);
        result = dispatch(L, cls, mth);
    } catch (const std::exception& e) {
        // An exception must not reach Lua's frames: the call answers nil instead.
        cocos2d::log("[ZAVU] zavu_native %s: loi %s", mth, e.what());
        result = NativeReturn::nil();
    } catch (...) {
        cocos2d::log("[ZAVU] zavu_native %s: loi khong ro", mth);
        result = NativeReturn::nil();
    }
    switch (result.kind) {
    case NativeReturn::Kind::Boolean: lua_pushboolean(L, result.flag ? 1 : 0); break;
    case NativeReturn::Kind::String: lua_pushstring(L, result.text.c_str()); break;
    case NativeReturn::Kind::Nil: lua_pushnil(L); break;
    }
    return 1;
}
