// The Lua start-up in process: module order, the collector around the main
// script, the key install, the deferred collection, and the background and
// foreground calls before and after the hand-over. Each case starts from no
// Lua engine and a new application object, so they pass in any order.
#include "proj.win32/AppDelegate.h"

#include "proj.win32/ScriptKey.h"
#include "proj.win32/Win32.h"

#include "cocos2d.h"
#include "scripting/lua-bindings/manual/CCLuaEngine.h"
#include "xxtea/xxtea.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace cocos2d;

namespace {

// Runs only from "src/main.luac", encrypted with the build's pair: the key
// must be installed before the main script runs.
const char kMainScript[] = R"lua(
local modules = {}
for i, name in ipairs(debug.getregistry().binding_modules) do modules[i] = name end
startup = { source = "luac", modules = table.concat(modules, ","), collectorRunning = collectgarbage("isrunning") }
events = {}
function applicationOnDeactive() events[#events + 1] = "deactive:" .. tostring(animationStopped()) end
function applicationOnActive() events[#events + 1] = "active:" .. tostring(animationStopped()) end
)lua";
const char kPlainMainScript[] = "startup = { source = 'lua' }\n";

int animationStopped(lua_State* L) {
    lua_pushboolean(L, Director::getInstance()->isAnimationStopped());
    return 1;
}

std::string globalString(lua_State* L, const char* chunk) {
    luaL_dostring(L, chunk);
    std::string value = lua_isstring(L, -1) ? lua_tostring(L, -1) : "(not a string)";
    lua_pop(L, 1);
    return value;
}

// Deletes the process-wide Lua engine, if any; the next getInstance() makes a new one.
void dropLuaEngine() {
    ScriptEngineManager* manager = ScriptEngineManager::getInstance();
    manager->setScriptEngine(LuaEngine::getInstance());
    manager->removeScriptEngine();
}

std::string encryptedWithTheBuildPair(const std::string& source) {
    const ScriptKeyAndSign pair;
    const std::vector<unsigned char> body = xxtea::encrypt(source.data(), source.size(), pair.key(), 16);
    return std::string(pair.sign(), 6) + std::string(body.begin(), body.end());
}

class LuaStartUp : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root = std::string(std::getenv("TEMP")) + "\\luastartup_" + std::to_string(::GetCurrentProcessId()) + "\\";
        FileUtils::getInstance()->createDirectory(root + "src");
        std::ofstream(root + "src\\main.lua", std::ios::binary) << kPlainMainScript;
        std::ofstream(root + "src\\main.luac", std::ios::binary) << encryptedWithTheBuildPair(kMainScript);
        FileUtils::getInstance()->setDefaultResourceRootPath(root);
    }
    static void TearDownTestSuite() { FileUtils::getInstance()->removeDirectory(root); }

    void SetUp() override {
        dropLuaEngine();
        Director::getInstance()->startAnimation();
        app = std::make_unique<AppDelegate>();
    }
    void TearDown() override {
        Director::getInstance()->getScheduler()->unscheduleAllForTarget(app.get());
        app.reset();
        dropLuaEngine();
        Director::getInstance()->startAnimation();
    }

    static std::string root;
    std::unique_ptr<AppDelegate> app;
};

std::string LuaStartUp::root;

}  // namespace

TEST_F(LuaStartUp, BeforeTheHandOverBackgroundOnlyStopsTheAnimation) {
    Director* director = Director::getInstance();
    app->applicationDidEnterBackground();
    EXPECT_TRUE(director->isAnimationStopped());
    app->applicationWillEnterForeground();
    EXPECT_FALSE(director->isAnimationStopped());
    EXPECT_EQ(ScriptEngineManager::getInstance()->getScriptEngine(), nullptr);
}

TEST_F(LuaStartUp, StartsTheGameInOrder) {
    app->startLua();
    LuaEngine* engine = LuaEngine::getInstance();
    ASSERT_NE(engine->getLuaStack(), nullptr);
    EXPECT_EQ(ScriptEngineManager::getInstance()->getScriptEngine(), engine);
    lua_State* L = engine->getLuaStack()->getLuaState();

    EXPECT_EQ(globalString(L, "return startup.source"), "luac");
    EXPECT_EQ(globalString(L, "return startup.modules"),
              "cocosdenshion,network,cocosbuilder,cocostudio,ui,extension,spine,3d,audioengine,physics3d,navmesh,pb");
    EXPECT_EQ(globalString(L, "return tostring(startup.collectorRunning)"), "false");
    EXPECT_EQ(globalString(L, "return tostring(collectgarbage('isrunning'))"), "true");
}

TEST_F(LuaStartUp, OneFullCollectionTwoSecondsLater) {
    app->startLua();
    Scheduler* scheduler = Director::getInstance()->getScheduler();
    lua_State* L = LuaEngine::getInstance()->getLuaStack()->getLuaState();
    ASSERT_TRUE(scheduler->isScheduled("ZAVU_lua_gc_after_boot", app.get()));
    lua_gc(L, LUA_GCSTOP, 0);  // only the scheduled full collection may collect from here on
    luaL_dostring(L, "local g = newproxy(true) getmetatable(g).__gc = function() bootGarbageCollected = true end");
    scheduler->update(0.0f);   // first visit: the timer only starts
    for (int i = 0; i < 19; ++i) scheduler->update(0.1f);
    EXPECT_EQ(globalString(L, "return tostring(bootGarbageCollected)"), "nil") << "collected before 2 s";
    scheduler->update(0.1f);
    EXPECT_EQ(globalString(L, "return tostring(bootGarbageCollected)"), "true");
    EXPECT_FALSE(scheduler->isScheduled("ZAVU_lua_gc_after_boot", app.get()));
    lua_gc(L, LUA_GCRESTART, 0);
}

TEST_F(LuaStartUp, AfterTheHandOverTheGameHearsOfBackgroundAndForeground) {
    app->startLua();
    lua_State* L = LuaEngine::getInstance()->getLuaStack()->getLuaState();
    lua_register(L, "animationStopped", &animationStopped);
    app->applicationDidEnterBackground();
    EXPECT_TRUE(Director::getInstance()->isAnimationStopped());
    app->applicationWillEnterForeground();
    EXPECT_EQ(globalString(L, "return table.concat(events, ',')"), "deactive:false,active:false");
}
