// LuaStack: which file runs, decryption, load errors, print and calls.
#include "scripting/lua-bindings/manual/CCLuaStack.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using testing_support::encryptScript;
using testing_support::evalString;
using testing_support::GameFolder;
using testing_support::KeyedStack;
using testing_support::LogCapture;

namespace {

class LuaStackTest : public ::testing::Test {
protected:
    std::string encrypted(const std::string& source) const {
        return encryptScript(source, KeyedStack::kKey, KeyedStack::kSign);
    }
    std::string global(const char* name) { return evalString(L, std::string("return ") + name); }

    GameFolder folder;
    KeyedStack keyed;
    cocos2d::LuaStack& stack = keyed.stack;
    lua_State* L = keyed.L;
};

TEST_F(LuaStackTest, LuacWinsOverLuaWhateverExtensionIsAsked) {
    folder.write("src/main.lua", "which = 'lua'; return 1");
    folder.write("src/main.luac", encrypted("which = 'luac'; return 7"));
    for (const char* name : {"src/main", "src/main.lua", "src/main.luac"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(evalString(L, "which = nil"), "");
        EXPECT_EQ(stack.executeScriptFile(name), 7);
        EXPECT_EQ(global("which"), "luac");
    }
}

TEST_F(LuaStackTest, LuaRunsWhenThereIsNoLuac) {
    folder.write("src/main.lua", "which = 'lua'; return true");
    EXPECT_EQ(stack.executeScriptFile("src/main.lua"), 1);
    EXPECT_EQ(global("which"), "lua");
}

TEST_F(LuaStackTest, MissingScriptIsLoggedAndGivesZero) {
    LogCapture log;
    const int top = lua_gettop(L);
    EXPECT_EQ(stack.executeScriptFile("src/absent.lua"), 0);
    EXPECT_TRUE(log.contains("[LUA ERROR]")) << "no error line for a missing script";
    EXPECT_EQ(lua_gettop(L), top);
}

TEST_F(LuaStackTest, CorruptedLuacIsALoadErrorAndNeverRuns) {
    const std::string good = encrypted("ran = true; return 5");
    std::string badLength = good;
    badLength[badLength.size() - 1] ^= 0x5a;  // garbles the deciphered length word
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"cut by one word", good.substr(0, good.size() - 4)},
        {"cut inside a word", good.substr(0, good.size() - 2)},
        {"bad length word", badLength},
        {"wrong key", encryptScript("ran = true; return 5", "not the key", KeyedStack::kSign)},
        {"sign and nothing else", KeyedStack::kSign},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        folder.write("src/broken.luac", c.bytes);
        LogCapture log;
        const int top = lua_gettop(L);
        EXPECT_EQ(stack.executeScriptFile("src/broken"), 0);
        EXPECT_EQ(global("tostring(ran)"), "nil");
        const auto errors = log.matching("[LUA ERROR] load \"");
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_NE(errors[0].find(folder.absolute("src/broken.luac")), std::string::npos) << errors[0];
        EXPECT_EQ(lua_gettop(L), top);
    }
}

TEST_F(LuaStackTest, OnlyAChunkThatStartsWithTheWholeSignIsDecrypted) {
    const struct {
        const char* name;
        std::string chunk;
        bool loads;
        const char* result;  // value of `got` after running
        int size = -1;       // bytes of chunk passed, -1 for all
    } cases[] = {
        {"plain source", "got = 'plain'", true, "plain"},
        {"sign text later in the chunk", "got = 'TSIGN!'", true, "TSIGN!"},
        {"encrypted", encrypted("got = 'secret'"), true, "secret"},
        {"encrypted source with a BOM", encrypted("\xEF\xBB\xBFgot = 'bom inside'"), true, "bom inside"},
        {"plain source with a BOM", "\xEF\xBB\xBFgot = 'bom'", true, "bom"},
        // Only the first 3 bytes belong to the chunk; the sign may not be matched
        // against the bytes that follow it in memory, so it is plain (and bad) Lua.
        {"prefix of the sign", encrypted("got = 'overread'"), false, "nil", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        evalString(L, "got = nil");
        LogCapture log;
        const int top = lua_gettop(L);
        const int size = c.size >= 0 ? c.size : static_cast<int>(c.chunk.size());
        const int status = stack.luaLoadBuffer(L, c.chunk.data(), size, "chunk");
        ASSERT_EQ(lua_gettop(L), top + 1) << "one value pushed either way";
        if (c.loads) {
            EXPECT_EQ(status, 0) << lua_tostring(L, -1);
            stack.executeFunction(0);
        } else {
            EXPECT_NE(status, 0);
            EXPECT_TRUE(log.contains("[LUA ERROR] load \"chunk\""));
            EXPECT_FALSE(log.contains("decrypt")) << "treated as encrypted";
            lua_pop(L, 1);
        }
        EXPECT_EQ(global("tostring(got)"), c.result);
        EXPECT_EQ(lua_gettop(L), top);
    }
}

TEST_F(LuaStackTest, ClearedKeyLoadsEncryptedFilesAsPlainBytes) {
    folder.write("src/main.luac", encrypted("which = 'luac'"));
    stack.setXXTEAKeyAndSign(nullptr, 0, nullptr, 0);
    LogCapture log;
    EXPECT_EQ(stack.executeScriptFile("src/main"), 0);
    EXPECT_EQ(global("tostring(which)"), "nil");
    EXPECT_TRUE(log.contains("[LUA ERROR] load"));
}

TEST_F(LuaStackTest, ReleasePrintLogsOneLineAndPrintIsSilent) {
    const struct {
        const char* call;
        const char* line;
    } cases[] = {
        {"release_print('game started')", "[LUA-print] game started"},
        {"release_print('a', 1, nil, true, false)", "[LUA-print] a\t1\tnil\ttrue\tfalse"},
        {"release_print()", "[LUA-print] "},
        {"release_print(setmetatable({}, {__tostring = function() return 'obj' end}))", "[LUA-print] obj"},
        {"release_print('100%s %d')", "[LUA-print] 100%s %d"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        LogCapture log;
        EXPECT_EQ(stack.executeString(c.call), 0);
        EXPECT_EQ(log.lines(), std::vector<std::string>{c.line});
    }
    LogCapture log;
    stack.executeString("print('hidden', 1, {})");
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(LuaStackTest, ExecuteGlobalFunctionCallsOnlyFunctions) {
    stack.executeString("function five() return 5 end; function yes() return true end; "
                        "function boom() error('boom') end; notAFunction = 3");
    const struct {
        const char* name;
        int result;
        const char* logged;  // fragment of the one log line, or nullptr for none
    } cases[] = {
        {"five", 5, nullptr},
        {"yes", 1, nullptr},
        {"boom", 0, "[LUA ERROR] "},
        {"applicationOnDeactive", 0, "[LUA ERROR] name 'applicationOnDeactive' does not represent a Lua function"},
        {"notAFunction", 0, "[LUA ERROR] name 'notAFunction' does not represent a Lua function"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        const int top = lua_gettop(L);
        EXPECT_EQ(stack.executeGlobalFunction(c.name), c.result);
        EXPECT_EQ(lua_gettop(L), top);
        if (c.logged == nullptr) {
            EXPECT_TRUE(log.lines().empty());
        } else {
            ASSERT_EQ(log.lines().size(), 1u);
            EXPECT_NE(log.lines()[0].find(c.logged), std::string::npos) << log.lines()[0];
        }
    }
}

TEST_F(LuaStackTest, TracebackHandlerReceivesTheErrorAndReportsItself) {
    stack.executeString("function boom() error('boom') end");
    {
        LogCapture log;
        EXPECT_EQ(stack.executeGlobalFunction("boom"), 0);
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_NE(log.lines()[0].find("boom"), std::string::npos);
    }
    stack.executeString("function __G__TRACKBACK__(msg) handled = 'handled: ' .. msg; return msg end");
    LogCapture log;
    const int top = lua_gettop(L);
    EXPECT_EQ(stack.executeGlobalFunction("boom"), 0);
    EXPECT_EQ(lua_gettop(L), top);
    EXPECT_NE(global("handled").find("handled: "), std::string::npos);
    EXPECT_NE(global("handled").find("boom"), std::string::npos);
    EXPECT_TRUE(log.lines().empty()) << "the handler reports the error, not the stack";
}

TEST_F(LuaStackTest, ExecuteFunctionPassesArgumentsAndBalancesTheStack) {
    const int top = lua_gettop(L);
    stack.executeString("function add(a, b) return a + b end");
    lua_getglobal(L, "add");
    lua_pushnumber(L, 2);
    lua_pushnumber(L, 40);
    EXPECT_EQ(stack.executeFunction(2), 42);
    EXPECT_EQ(lua_gettop(L), top);

    LogCapture log;
    lua_pushnumber(L, 1);  // not a function
    EXPECT_EQ(stack.executeFunction(0), 0);
    EXPECT_EQ(lua_gettop(L), top);
    EXPECT_TRUE(log.contains("[LUA ERROR]"));
}

TEST_F(LuaStackTest, ExecuteStringReportsSyntaxErrors) {
    LogCapture log;
    EXPECT_EQ(stack.executeString("return 3"), 3);
    EXPECT_EQ(stack.executeString("this is not lua"), 0);
    EXPECT_TRUE(log.contains("[LUA ERROR]"));
}

} // namespace
