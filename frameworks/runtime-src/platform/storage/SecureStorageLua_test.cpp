// The protect and unprotect globals on the real Data Protection API: binary
// round trips, the failure results, the argument errors, and the parameters a
// blob is made with (checked against blobs made by hand).
#include "platform/storage/SecureStorageLua.h"

#include "platform/storage/ProtectedBlob.h"
#include "platform/storage/ProtectionTestSeam.h"
#include "platform/storage/StorageTestSupport.h"

#include "proj.win32/Win32.h"

#include "lua.hpp"

#include "../../../../tests/support/ImportPatch_win.h"

#include <dpapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One Lua result: "nil", or the string's exact bytes.
struct Results {
    int count = 0;
    std::vector<std::string> values;
};

class SecureStorageLua : public ::testing::Test {
protected:
    void SetUp() override {
        L = luaL_newstate();
        luaL_openlibs(L);
    }
    void TearDown() override {
        lua_close(L);
        protectionFailsForTest = false;
    }

    Results call(lua_CFunction function, const std::string& argument) {
        const int base = lua_gettop(L);
        lua_pushcfunction(L, function);
        lua_pushlstring(L, argument.data(), argument.size());
        EXPECT_EQ(0, lua_pcall(L, 1, LUA_MULTRET, 0)) << lua_tostring(L, -1);
        Results results;
        results.count = lua_gettop(L) - base;
        for (int i = base + 1; i <= lua_gettop(L); ++i) {
            if (lua_isnil(L, i)) {
                results.values.push_back("nil");
            } else {
                size_t length = 0;
                const char* text = lua_tolstring(L, i, &length);
                results.values.push_back(std::string(text, length));
            }
        }
        lua_settop(L, base);
        return results;
    }

    std::string protect(const std::string& plain) {
        const Results r = call(luaSecureProtect, plain);
        EXPECT_EQ(1, r.count);
        return r.values.empty() ? std::string() : r.values[0];
    }

    lua_State* L = nullptr;
};

TEST_F(SecureStorageLua, RoundTripsKeepEveryByte) {
    std::string allBytes;
    for (int i = 0; i < 256; ++i) allBytes += static_cast<char>(i);
    std::string longValue;
    while (longValue.size() < 100000) longValue += allBytes;
    const std::string cases[] = {"", std::string("\0", 1), std::string("a\0b\0\0c", 6), allBytes, longValue,
                                 "Hải Vân Truyện"};
    for (const std::string& plain : cases) {
        SCOPED_TRACE(plain.size());
        const std::string blob = protect(plain);
        ASSERT_TRUE(isProtectedBlob(blob)) << blob;
        EXPECT_EQ(std::string::npos, blob.find_first_not_of(
                                         "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=", 8));
        EXPECT_EQ(0u, (blob.size() - 8) % 4);
        const Results back = call(luaSecureUnprotect, blob);
        ASSERT_EQ(1, back.count);
        EXPECT_TRUE(back.values[0] == plain) << "bytes differ, size " << back.values[0].size();
    }
}

TEST_F(SecureStorageLua, UnprotectFailuresAreNilWithAReason) {
    const std::string good = protect("secret");
    std::string base64OfText = "ZAVUDP1:bm90IGEgcHJvdGVjdGVkIGJsb2I=";  // "not a protected blob"
    struct Case {
        std::string text;
        const char* reason;
    };
    const Case cases[] = {
        {"plain", "notblob"},
        {"", "notblob"},
        {"ZAVUDP1", "notblob"},
        {"zavudp1:" + good.substr(8), "notblob"},
        {" " + good, "notblob"},
        {"ZAVUDP1:", "fail"},
        {"ZAVUDP1:Q", "fail"},  // 6 bits decode to no byte
        {"ZAVUDP1:*", "fail"},
        {good.substr(0, 20) + "*" + good.substr(20), "fail"},
        {base64OfText, "fail"},
        {good.substr(0, good.size() / 2), "fail"},
        {storagetest::blobWithEntropy("secret", "HMPV.ROA.token.w8", 17), "fail"},
        {storagetest::blobWithEntropy("secret", "HMPV.ROA.token.w7", 18), "fail"},  // the NUL counted
        {storagetest::blobWithEntropy("secret", nullptr, 0), "fail"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Results r = call(luaSecureUnprotect, c.text);
        ASSERT_EQ(2, r.count);
        EXPECT_EQ("nil", r.values[0]);
        EXPECT_EQ(c.reason, r.values[1]);
    }
}

TEST_F(SecureStorageLua, LayoutInsideTheBase64AndTextAfterPaddingAreAccepted) {
    std::string blob = protect("token-123");
    if (blob.back() != '=') blob += "=";
    std::string spread = blob.substr(0, 8);
    for (size_t i = 8; i < blob.size(); ++i) {
        spread += blob[i];
        if (i % 7 == 0) spread += "\r\n";
        if (i % 11 == 0) spread += " \t";
    }
    spread += "anything after the padding: *!";
    const Results r = call(luaSecureUnprotect, spread);
    ASSERT_EQ(1, r.count);
    EXPECT_EQ("token-123", r.values[0]);
}

TEST_F(SecureStorageLua, BlobIsMadeWithTheFixedEntropyAndDescription) {
    const std::string blob = protectString("x");
    EXPECT_EQ("ZAVU login", storagetest::descriptionOf(blob));
    // And a blob made by hand with the same parameters is read back.
    std::string plain = "untouched";
    EXPECT_EQ(1, unprotectString(storagetest::blobWithEntropy("by hand", "HMPV.ROA.token.w7", 17), plain));
    EXPECT_EQ("by hand", plain);
}

TEST_F(SecureStorageLua, FailedUnprotectLeavesTheOutputAlone) {
    std::string plain = "untouched";
    EXPECT_EQ(0, unprotectString("plain", plain));
    EXPECT_EQ(-1, unprotectString("ZAVUDP1:*", plain));
    EXPECT_EQ(-1, unprotectString(storagetest::blobWithEntropy("s", nullptr, 0), plain));
    EXPECT_EQ("untouched", plain);
}

TEST_F(SecureStorageLua, RefusedProtectionIsNil) {
    protectionFailsForTest = true;
    EXPECT_EQ("", protectString("secret"));
    const Results r = call(luaSecureProtect, "secret");
    ASSERT_EQ(1, r.count);
    EXPECT_EQ("nil", r.values[0]);
}

TEST_F(SecureStorageLua, ArgumentsAreCheckedTheStandardWay) {
    const char* script = R"lua(
        local protect, unprotect = ...
        local out = {}
        for _, f in ipairs({protect, unprotect}) do
            for _, arg in ipairs({{}, true, print}) do
                local ok, message = pcall(f, arg)
                out[#out + 1] = tostring(ok) .. ":" .. tostring(message:find("bad argument #1", 1, true) ~= nil)
                    .. ":" .. tostring(message:find("string expected", 1, true) ~= nil)
            end
            local ok = pcall(f)
            out[#out + 1] = tostring(ok)
        end
        -- A number is read as its text.
        out[#out + 1] = unprotect(protect(12.5))
        return table.concat(out, " ")
    )lua";
    ASSERT_EQ(0, luaL_loadstring(L, script));
    lua_pushcfunction(L, luaSecureProtect);
    lua_pushcfunction(L, luaSecureUnprotect);
    ASSERT_EQ(0, lua_pcall(L, 2, 1, 0)) << lua_tostring(L, -1);
    EXPECT_STREQ("false:true:true false:true:true false:true:true false "
                 "false:true:true false:true:true false:true:true false 12.5",
                 lua_tostring(L, -1));
}

}  // namespace

namespace {

// The flags the program passes to the Data Protection API, in order.
std::vector<DWORD> gProtectFlags, gUnprotectFlags;
testsupport::ImportPatch* gProtectPatch = nullptr;
testsupport::ImportPatch* gUnprotectPatch = nullptr;

BOOL WINAPI recordProtect(DATA_BLOB* in, LPCWSTR description, DATA_BLOB* entropy, PVOID reserved,
                          CRYPTPROTECT_PROMPTSTRUCT* prompt, DWORD flags, DATA_BLOB* out) {
    gProtectFlags.push_back(flags);
    return gProtectPatch->original<decltype(&recordProtect)>()(in, description, entropy, reserved, prompt, flags, out);
}

BOOL WINAPI recordUnprotect(DATA_BLOB* in, LPWSTR* description, DATA_BLOB* entropy, PVOID reserved,
                            CRYPTPROTECT_PROMPTSTRUCT* prompt, DWORD flags, DATA_BLOB* out) {
    gUnprotectFlags.push_back(flags);
    return gUnprotectPatch->original<decltype(&recordUnprotect)>()(in, description, entropy, reserved, prompt, flags,
                                                                    out);
}

}  // namespace

// Bound to the current user, never to the machine, and never prompting. Wine
// records none of the flags in the blob (Windows does, in its header), so the
// flags are read off the calls themselves.
TEST_F(SecureStorageLua, ProtectionIsForTheCurrentUserOnlyAndNeverPrompts) {
    testsupport::ImportPatch protect("crypt32.dll", "CryptProtectData", reinterpret_cast<const void*>(&recordProtect));
    testsupport::ImportPatch unprotect("crypt32.dll", "CryptUnprotectData",
                                       reinterpret_cast<const void*>(&recordUnprotect));
    ASSERT_TRUE(protect.applied());
    ASSERT_TRUE(unprotect.applied());
    gProtectPatch = &protect;
    gUnprotectPatch = &unprotect;
    gProtectFlags.clear();
    gUnprotectFlags.clear();
    const Results blob = call(luaSecureProtect, "value");
    ASSERT_EQ(blob.values.size(), 1u);
    const Results plain = call(luaSecureUnprotect, blob.values[0]);
    gProtectPatch = gUnprotectPatch = nullptr;
    EXPECT_EQ(plain.values, std::vector<std::string>{"value"});
    EXPECT_EQ(gProtectFlags, std::vector<DWORD>{CRYPTPROTECT_UI_FORBIDDEN});
    EXPECT_EQ(gUnprotectFlags, std::vector<DWORD>{CRYPTPROTECT_UI_FORBIDDEN});
}
