// The bridge script as registerNativeBridge runs it in a real Lua state with
// the engine's classes: the shipped text is the tested file, a chunk that
// raises is swallowed with the globals in place, and the saved account value
// reaches the engine's UserDefault as a protected blob; the prefetched
// gateway answer reaches the game through the engine's own scheduler and
// HTTP client.
#include <curl/curl.h> // before the engine headers: it brings <windows.h>

#include "platform/bridge/NativeBridge.h"
#include "platform/bridge/NativeBridgeScript.h"

#include "base/CCAutoreleasePool.h"
#include "base/CCDirector.h"
#include "base/CCUserDefault.h"
#include "platform/CCFileUtils.h"
#include "scripting/lua-bindings/manual/CCLuaStack.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

class CurlEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(curl_global_init(CURL_GLOBAL_DEFAULT), CURLE_OK); }
    void TearDown() override { curl_global_cleanup(); }
};
const auto* const kCurlEnvironment = ::testing::AddGlobalTestEnvironment(new CurlEnvironment);

namespace fs = std::filesystem;

std::string run(lua_State* L, const std::string& code) {
    const int top = lua_gettop(L);
    std::string result;
    if (luaL_loadstring(L, code.c_str()) != 0 || lua_pcall(L, 0, 1, 0) != 0) {
        result = std::string("error: ") + (lua_tostring(L, -1) ? lua_tostring(L, -1) : "?");
    } else if (lua_isstring(L, -1)) {
        result = lua_tostring(L, -1);
    } else {
        result = luaL_typename(L, -1);
    }
    lua_settop(L, top);
    return result;
}

class BridgeRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("bridge-registration-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        savedWritable = cocos2d::FileUtils::getInstance()->getWritablePath();
        savedSearchPaths = cocos2d::FileUtils::getInstance()->getSearchPaths();
        cocos2d::FileUtils::getInstance()->setWritablePath(folder.generic_u8string() + "/");
        cocos2d::FileUtils::getInstance()->setSearchPaths({folder.generic_u8string() + "/"});
        cocos2d::Director::getInstance()->startAnimation();
        cocos2d::UserDefault::destroyInstance();
        stack = std::make_unique<cocos2d::LuaStack>();
        ASSERT_TRUE(stack->init());
        L = stack->getLuaState();
    }
    void write(const std::string& relative, const std::string& bytes) {
        const fs::path file = folder / fs::u8path(relative);
        fs::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        out << bytes;
        ASSERT_TRUE(out.good()) << file;
    }
    // Runs frames until the chunk returns "true", for at most `seconds`.
    bool framesUntil(const std::string& condition, double seconds = 15.0) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < end) {
            cocos2d::Director::getInstance()->mainLoop(1.0f / 60);
            if (run(L, "return tostring(" + condition + ")") == "true") return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    void TearDown() override {
        stack.reset();
        cocos2d::Director::getInstance()->purgeDirector();
        cocos2d::AutoreleasePool::getInstance()->clear();
        cocos2d::UserDefault::destroyInstance();
        cocos2d::FileUtils::getInstance()->setSearchPaths(savedSearchPaths);
        cocos2d::FileUtils::getInstance()->setWritablePath(savedWritable);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    fs::path folder;
    std::string savedWritable;
    std::vector<std::string> savedSearchPaths;
    std::unique_ptr<cocos2d::LuaStack> stack;
    lua_State* L = nullptr;
};

TEST_F(BridgeRegistrationTest, ShippedTextIsTheScriptFileAndLoads) {
    std::ifstream file(fs::u8path(NATIVE_BRIDGE_SCRIPT_FILE), std::ios::binary);
    ASSERT_TRUE(file) << NATIVE_BRIDGE_SCRIPT_FILE;
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(std::string(nativeBridgeScript), text.str());
    ASSERT_EQ(luaL_loadstring(L, nativeBridgeScript), 0) << lua_tostring(L, -1);
    lua_pop(L, 1);
}

TEST_F(BridgeRegistrationTest, RegistersTheThreeGlobals) {
    registerNativeBridge(L);
    EXPECT_EQ(run(L, "return type(zavu_native)"), "function");
    EXPECT_EQ(run(L, "return type(zavu_secure_protect)"), "function");
    EXPECT_EQ(run(L, "return type(zavu_secure_unprotect)"), "function");
}

TEST_F(BridgeRegistrationTest, AChunkThatRaisesIsSwallowedAndTheGlobalsStay) {
    // Without `pcall` the chunk cannot take a single protected step.
    ASSERT_EQ(run(L, "originalRequire, originalPcall = require, pcall\n"
                     "pcall = nil\n"
                     "return 'ok'"),
              "ok");
    lua_pushstring(L, "caller's value");
    const int top = lua_gettop(L);
    registerNativeBridge(L);
    EXPECT_EQ(lua_gettop(L), top) << "registration changed the caller's stack";
    EXPECT_STREQ(lua_tostring(L, -1), "caller's value");
    EXPECT_EQ(run(L, "return type(zavu_native) .. type(zavu_secure_protect) .. type(zavu_secure_unprotect)"),
              "functionfunctionfunction");
    EXPECT_EQ(run(L, "return tostring(require == originalRequire)"), "true") << "the failed chunk went on";
    EXPECT_EQ(run(L, "return 'start-up goes on'"), "start-up goes on");
}

TEST_F(BridgeRegistrationTest, ACcWhoseFieldsRaiseCostsOnlyTheAccountStep) {
    ASSERT_EQ(run(L, "cc = setmetatable({}, {__index = function() error('hostile cc') end})\n"
                     "originalRequire = require\n"
                     "package.preload.Platform = function() return {} end\n"
                     "return 'ok'"),
              "ok");
    registerNativeBridge(L);
    EXPECT_EQ(run(L, "return tostring(require ~= originalRequire)"), "true") << "the chunk stopped at the first step";
    EXPECT_EQ(run(L, "local P = require('Platform')\n"
                     "return tostring(P.__zavu_win) .. ' ' .. tostring(P:callNativeFunc('OtherSdk', 'x', ''))"),
              "true nil");
}

TEST_F(BridgeRegistrationTest, SavedAccountReachesUserDefaultAsAProtectedBlob) {
    registerNativeBridge(L);
    EXPECT_EQ(run(L, "return tostring(rawget(cc.UserDefault, '__zavu_secure'))"), "true");
    ASSERT_EQ(run(L, "local ud = cc.UserDefault:getInstance()\n"
                     "ud:setStringForKey('dorv_acount', 'player_one')\n"
                     "ud:setStringForKey('volume', '0.5')\n"
                     "return ud:getStringForKey('dorv_acount')"),
              "player_one");
    cocos2d::UserDefault* saved = cocos2d::UserDefault::getInstance();
    EXPECT_EQ(saved->getStringForKey("dorv_acount").rfind("ZAVUDP1:", 0), 0u) << saved->getStringForKey("dorv_acount");
    EXPECT_EQ(saved->getStringForKey("dorv_acount").find("player_one"), std::string::npos);
    EXPECT_EQ(saved->getStringForKey("volume"), "0.5");

    // A plain value saved before the bridge existed is protected on first read.
    saved->setStringForKey("dorv_acount", "legacy_name");
    EXPECT_EQ(run(L, "return cc.UserDefault:getInstance():getStringForKey('dorv_acount')"), "legacy_name");
    EXPECT_EQ(saved->getStringForKey("dorv_acount").rfind("ZAVUDP1:", 0), 0u);
    EXPECT_EQ(run(L, "return cc.UserDefault:getInstance():getStringForKey('dorv_acount')"), "legacy_name");
}

TEST_F(BridgeRegistrationTest, ADefaultIsReturnedButNeverSavedAsTheAccountName) {
    registerNativeBridge(L);
    cocos2d::UserDefault* saved = cocos2d::UserDefault::getInstance();
    EXPECT_EQ(run(L, "return cc.UserDefault:getInstance():getStringForKey('dorv_acount', 'Guest')"), "Guest");
    EXPECT_EQ(saved->getStringForKey("dorv_acount", "<absent>"), "<absent>") << "the default was saved";
    EXPECT_EQ(run(L, "return cc.UserDefault:getInstance():getStringForKey('dorv_acount', 'Other')"), "Other");
    EXPECT_EQ(run(L, "return cc.UserDefault:getInstance():getStringForKey('dorv_acount')"), "");
    EXPECT_EQ(saved->getStringForKey("dorv_acount", "<absent>"), "<absent>");
}

TEST_F(BridgeRegistrationTest, APausedGameEntryDoesNotHoldBackTheNextFrameDelivery) {
    // A gateway address curl refuses at once: the prefetch ends without an
    // answer, so the game's request is handed to its own httpGetJson on the
    // next frame. Blanks and a line break before the address are skipped.
    write("vexa/gateway", "  \r\n\tzavu-none://gateway/list\n");
    registerNativeBridge(L);
    ASSERT_EQ(run(L, "own, logged = {}, {}\n"
                     "release_print = function(s) logged[#logged + 1] = s end\n"
                     "package.preload.DorvTools = function()\n"
                     "  return {httpGetJson = function(url) own[#own + 1] = url end}\n"
                     "end\n"
                     "local sch = cc.Director:getInstance():getScheduler()\n"
                     "pausedRuns = 0\n"
                     "sch:scheduleScriptFunc(function() pausedRuns = pausedRuns + 1 end, 0, true)\n"
                     "D = require('DorvTools')\n"
                     "return 'ok'"),
              "ok");
    ASSERT_TRUE(framesUntil("(function()\n"
                            "  for _, l in ipairs(logged) do\n"
                            "    if l:find('[ZAVUGW] prefetch done', 1, true) then return true end\n"
                            "  end\n"
                            "end)()"))
        << "the prefetch never ended: " << run(L, "return table.concat(logged, ' | ')");
    ASSERT_EQ(run(L, "D.httpGetJson('zavu-none://gateway/list', function() end, function() end)\n"
                     "return tostring(#own)"),
              "0")
        << "handed over inside the call";
    EXPECT_TRUE(framesUntil("#own == 1", 5.0)) << "the next-frame delivery never ran";
    EXPECT_EQ(run(L, "return own[1]"), "zavu-none://gateway/list");
    EXPECT_EQ(run(L, "return tostring(pausedRuns)"), "0") << "the paused entry ran";
}

} // namespace
