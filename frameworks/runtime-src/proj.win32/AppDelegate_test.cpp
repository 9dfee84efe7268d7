// The Lua start-up in process: module order, the collector around the main
// script, the key install, the deferred collection, and the background and
// foreground calls before and after the hand-over. Each case starts from no
// Lua engine and a new application object, so they pass in any order.
#include "proj.win32/AppDelegate.h"

#include "proj.win32/ScriptKey.h"
#include "proj.win32/Win32.h"

#include "LogHook.h"
#include "cocos2d.h"
#include "scripting/lua-bindings/manual/CCLuaEngine.h"
#include "xxtea/xxtea.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
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

// The engine log's lines while it lives.
class EngineLog {
public:
    EngineLog() {
        setLogHook([this](const std::string& line) { lines_.push_back(line); });
    }
    ~EngineLog() { setLogHook(nullptr); }
    // The lines that contain every one of the texts.
    std::vector<std::string> linesWith(std::initializer_list<const char*> texts) const {
        std::vector<std::string> found;
        for (const std::string& line : lines_) {
            bool all = true;
            for (const char* text : texts) all = all && line.find(text) != std::string::npos;
            if (all) found.push_back(line);
        }
        return found;
    }

private:
    std::vector<std::string> lines_;
};

// Runs the scheduler past the boot collection's two seconds.
void runPastTheBootCollection() {
    Scheduler* scheduler = Director::getInstance()->getScheduler();
    scheduler->update(0.0f);  // first visit: the timer only starts
    for (int i = 0; i < 21; ++i) scheduler->update(0.1f);
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

TEST_F(LuaStartUp, AFinalizerThatRaisesInTheBootCollectionIsLoggedAndTheGameGoesOn) {
    app->startLua();
    lua_State* L = LuaEngine::getInstance()->getLuaStack()->getLuaState();
    lua_gc(L, LUA_GCSTOP, 0);  // the finalizer runs in the scheduled collection, not before
    ASSERT_EQ(luaL_dostring(L, "local g = newproxy(true) getmetatable(g).__gc = function() error('finalizer refused') end"),
              0);
    EngineLog log;
    runPastTheBootCollection();
    EXPECT_FALSE(Director::getInstance()->getScheduler()->isScheduled("ZAVU_lua_gc_after_boot", app.get()));
    EXPECT_EQ(log.linesWith({"[LUA ERROR] ZAVU_lua_gc_after_boot that bai: ", "finalizer refused"}).size(), 1u);
    EXPECT_EQ(globalString(L, "return tostring(40 + 2)"), "42") << "the state is still usable";
    lua_gc(L, LUA_GCRESTART, 0);
}

TEST_F(LuaStartUp, ARegistrationThatRaisesIsLoggedAndTheStartUpGoesOn) {
    lua_State* L = LuaEngine::getInstance()->getLuaStack()->getLuaState();
    // Globals guarded as a strict-mode library guards them: one new name is refused.
    ASSERT_EQ(luaL_dostring(L, R"lua(
        setmetatable(_G, {__newindex = function(t, k, v)
            if k == "zavu_openPayWebView" then error("no new global " .. k) end
            rawset(t, k, v)
        end}))lua"),
              0);
    EngineLog log;
    app->startLua();
    EXPECT_EQ(log.linesWith({"[LUA ERROR] registerPayWebViewLua that bai: ", "no new global zavu_openPayWebView"}).size(),
              1u);
    EXPECT_EQ(globalString(L, "return type(zavu_openPayWebView)"), "nil");
    EXPECT_EQ(globalString(L, "return type(zavu_native)"), "function") << "the next registration ran";
    EXPECT_EQ(globalString(L, "return startup.source"), "luac") << "the main script ran";
    EXPECT_TRUE(Director::getInstance()->getScheduler()->isScheduled("ZAVU_lua_gc_after_boot", app.get()));
}

TEST_F(LuaStartUp, TheBootCollectionLeavesAReplacedStateAlone) {
    app->startLua();
    lua_State* started = LuaEngine::getInstance()->getLuaStack()->getLuaState();
    dropLuaEngine();  // the game's state is closed before its collection is due
    // Whatever state comes next may sit where the closed one was; a collection
    // of it would run this finalizer.
    const auto guard = [](lua_State* L) {
        lua_gc(L, LUA_GCSTOP, 0);
        return luaL_dostring(L, "local g = newproxy(true) getmetatable(g).__gc = function() collected = true end");
    };
    lua_State* other = luaL_newstate();
    ASSERT_NE(other, nullptr);
    luaL_openlibs(other);
    ASSERT_EQ(guard(other), 0);
    lua_State* replacement = LuaEngine::getInstance()->getLuaStack()->getLuaState();
    ASSERT_NE(replacement, started) << "the replacement must not reuse the closed state's place";
    ASSERT_EQ(guard(replacement), 0);

    runPastTheBootCollection();
    EXPECT_FALSE(Director::getInstance()->getScheduler()->isScheduled("ZAVU_lua_gc_after_boot", app.get()));
    EXPECT_EQ(globalString(replacement, "return tostring(collected)"), "nil");
    EXPECT_EQ(globalString(other, "return tostring(collected)"), "nil");
    lua_close(other);
}

TEST_F(LuaStartUp, AGlobalsGuardThatRaisesForTheMissingHandlersIsLoggedAndTheAnimationStillChanges) {
    app->startLua();
    lua_State* L = LuaEngine::getInstance()->getLuaStack()->getLuaState();
    // A game without the two handlers, whose globals table refuses undeclared names.
    ASSERT_EQ(luaL_dostring(L, R"lua(
        rawset(_G, "applicationOnDeactive", nil)
        rawset(_G, "applicationOnActive", nil)
        setmetatable(_G, {__index = function(_, k) error("undeclared global " .. k) end}))lua"),
              0);
    EngineLog log;
    app->applicationDidEnterBackground();
    EXPECT_TRUE(Director::getInstance()->isAnimationStopped());
    app->applicationWillEnterForeground();
    EXPECT_FALSE(Director::getInstance()->isAnimationStopped());
    EXPECT_EQ(log.linesWith({"[LUA ERROR] applicationOnDeactive that bai: ", "undeclared global applicationOnDeactive"})
                  .size(),
              1u);
    EXPECT_EQ(log.linesWith({"[LUA ERROR] applicationOnActive that bai: ", "undeclared global applicationOnActive"}).size(),
              1u);
}
