// The Lua start-up in process: module order, the collector around the main
// script, the key installs, the deferred collection, and the background and
// foreground calls before and after the hand-over.
#include "proj.win32/AppDelegate.h"

#include "proj.win32/Win32.h"

#include "cocos2d.h"
#include "scripting/lua-bindings/manual/CCLuaEngine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace cocos2d;

namespace {

const char kMainScript[] = R"lua(
local modules = {}
for i, name in ipairs(debug.getregistry().binding_modules) do modules[i] = name end
startup = { modules = table.concat(modules, ","), collectorRunning = collectgarbage("isrunning") }
events = {}
function applicationOnDeactive() events[#events + 1] = "deactive:" .. tostring(animationStopped()) end
function applicationOnActive() events[#events + 1] = "active:" .. tostring(animationStopped()) end
)lua";

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

class LuaStartUp : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root = std::string(std::getenv("TEMP")) + "\\luastartup_" + std::to_string(::GetCurrentProcessId()) + "\\";
        FileUtils::getInstance()->createDirectory(root + "src");
        std::ofstream(root + "src\\main.lua", std::ios::binary) << kMainScript;
        FileUtils::getInstance()->setDefaultResourceRootPath(root);
        LuaStack::setKeyAndSignObserver([](const std::string& key, const std::string& sign) {
            installs.push_back(key + "|" + sign);
        });
        app = new AppDelegate();
    }
    static void TearDownTestSuite() {
        LuaStack::setKeyAndSignObserver(nullptr);
        FileUtils::getInstance()->removeDirectory(root);
    }

    static std::string root;
    static std::vector<std::string> installs;
    static AppDelegate* app;  // one per process, as in the host
};

std::string LuaStartUp::root;
std::vector<std::string> LuaStartUp::installs;
AppDelegate* LuaStartUp::app = nullptr;

}  // namespace

// Declared first: gtest runs a file's tests in order, and this one must run before the hand-over.
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

    EXPECT_EQ(globalString(L, "return startup.modules"),
              "cocosdenshion,network,cocosbuilder,cocostudio,ui,extension,spine,3d,audioengine,physics3d,navmesh,pb");
    EXPECT_EQ(globalString(L, "return tostring(startup.collectorRunning)"), "false");
    EXPECT_EQ(globalString(L, "return tostring(collectgarbage('isrunning'))"), "true");

    ASSERT_EQ(installs.size(), 2u);  // once when the engine is made, again after the modules
    EXPECT_EQ(installs[0], installs[1]);
    const size_t bar = installs[0].find('|');
    EXPECT_EQ(bar, 16u);
    EXPECT_EQ(installs[0].size() - bar - 1, 6u);
}

TEST_F(LuaStartUp, OneFullCollectionTwoSecondsLater) {
    Scheduler* scheduler = Director::getInstance()->getScheduler();
    lua_State* L = LuaEngine::getInstance()->getLuaStack()->getLuaState();
    ASSERT_TRUE(scheduler->isScheduled("ZAVU_lua_gc_after_boot", app));
    lua_gc(L, LUA_GCSTOP, 0);  // only the scheduled full collection may collect from here on
    luaL_dostring(L, "local g = newproxy(true) getmetatable(g).__gc = function() bootGarbageCollected = true end");
    scheduler->update(0.0f);   // first visit: the timer only starts
    for (int i = 0; i < 19; ++i) scheduler->update(0.1f);
    EXPECT_EQ(globalString(L, "return tostring(bootGarbageCollected)"), "nil") << "collected before 2 s";
    scheduler->update(0.1f);
    EXPECT_EQ(globalString(L, "return tostring(bootGarbageCollected)"), "true");
    EXPECT_FALSE(scheduler->isScheduled("ZAVU_lua_gc_after_boot", app));
    lua_gc(L, LUA_GCRESTART, 0);
}

TEST_F(LuaStartUp, AfterTheHandOverTheGameHearsOfBackgroundAndForeground) {
    lua_State* L = LuaEngine::getInstance()->getLuaStack()->getLuaState();
    lua_register(L, "animationStopped", &animationStopped);
    app->applicationDidEnterBackground();
    EXPECT_TRUE(Director::getInstance()->isAnimationStopped());
    app->applicationWillEnterForeground();
    EXPECT_EQ(globalString(L, "return table.concat(events, ',')"), "deactive:false,active:false");
}
