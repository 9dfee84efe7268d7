// Lua and C++ errors must not cross: the argument is checked before any C++
// object exists (a Lua error would skip its destructor on the 32-bit target),
// and no C++ exception may reach the Lua frame that called us.
#include "platform/storage/SecureStorageLua.h"

#include "platform/storage/ProtectedBlob.h"

#include "lua.hpp"

#include <string>

namespace {

// protectString's result, or "" for a refusal or a failed allocation.
bool protectArgument(const char* text, size_t length, std::string& blob) {
    try {
        blob = protectString(std::string(text, length));
        return !blob.empty();
    } catch (...) {  // only allocation can throw here; it reads as a refusal
        blob.clear();
        return false;
    }
}

int unprotectArgument(const char* text, size_t length, std::string& plain) {
    try {
        return unprotectString(std::string(text, length), plain);
    } catch (...) {  // only allocation can throw here; it reads as a failure
        return -1;
    }
}

}  // namespace

int luaSecureProtect(lua_State* L) {
    size_t length = 0;
    const char* text = luaL_checklstring(L, 1, &length);
    std::string blob;
    if (protectArgument(text, length, blob))
        lua_pushlstring(L, blob.data(), blob.size());
    else
        lua_pushnil(L);
    return 1;
}

int luaSecureUnprotect(lua_State* L) {
    size_t length = 0;
    const char* text = luaL_checklstring(L, 1, &length);
    std::string plain;
    switch (unprotectArgument(text, length, plain)) {
    case 1:
        lua_pushlstring(L, plain.data(), plain.size());
        return 1;
    case 0:
        lua_pushnil(L);
        lua_pushliteral(L, "notblob");
        return 2;
    default:
        lua_pushnil(L);
        lua_pushliteral(L, "fail");
        return 2;
    }
}
