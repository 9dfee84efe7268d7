// The storage globals as the game sees them after registerNativeBridge.
#include "platform/bridge/NativeBridge.h"

#include "lua.hpp"

#include <gtest/gtest.h>

TEST(SecureStorageGlobals, RegisteredAndUsableFromLua) {
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    registerNativeBridge(L);
    const char* script = R"lua(
        local blob = zavu_secure_protect("a\0b")
        local plain = zavu_secure_unprotect(blob)
        local _, reason = zavu_secure_unprotect("a\0b")
        return type(zavu_secure_protect) .. " " .. type(zavu_secure_unprotect) .. " " .. blob:sub(1, 8) .. " "
            .. tostring(plain == "a\0b") .. " " .. reason
    )lua";
    ASSERT_EQ(0, luaL_dostring(L, script)) << lua_tostring(L, -1);
    EXPECT_STREQ("function function ZAVUDP1: true notblob", lua_tostring(L, -1));
    lua_close(L);
}
