// LuaEngine with the game's getInstance(): the build's key is installed on
// creation, and scripts encrypted by luacrypt run.
#include "scripting/lua-bindings/manual/CCLuaEngine.h"

#include "proj.win32/ScriptKey.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using cocos2d::LuaEngine;
using cocos2d::ScriptEngineManager;
using testing_support::evalString;

namespace {

// Deletes the process-wide engine (if any), so the next getInstance() creates one.
void dropEngine() {
    ScriptEngineManager* manager = ScriptEngineManager::getInstance();
    manager->setScriptEngine(LuaEngine::getInstance());
    manager->removeScriptEngine();
}

class LuaEngineTest : public ::testing::Test {
protected:
    void SetUp() override { dropEngine(); }
    void TearDown() override {
        cocos2d::LuaStack::setKeyAndSignObserver({});
        dropEngine();
    }
};

TEST_F(LuaEngineTest, FirstGetInstanceInstallsTheBuildKeyAndSignOnce) {
    std::vector<std::pair<std::string, std::string>> installs;
    cocos2d::LuaStack::setKeyAndSignObserver(
        [&installs](const std::string& key, const std::string& sign) { installs.emplace_back(key, sign); });

    LuaEngine* engine = LuaEngine::getInstance();
    ASSERT_NE(engine, nullptr);
    ASSERT_NE(engine->getLuaStack(), nullptr);
    EXPECT_EQ(engine->getScriptType(), cocos2d::kScriptTypeLua);
    EXPECT_EQ(LuaEngine::getInstance(), engine);

    const ScriptKeyAndSign pair;
    ASSERT_EQ(installs.size(), 1u) << "later calls install nothing";
    EXPECT_EQ(installs[0].first, std::string(pair.key(), 16));
    EXPECT_EQ(installs[0].second, std::string(pair.sign(), 6));

    installScriptKeyAndSign(engine->getLuaStack());
    ASSERT_EQ(installs.size(), 2u);
    EXPECT_EQ(installs[1], installs[0]) << "both install places use the same pair";
}

TEST_F(LuaEngineTest, RunsAScriptEncryptedByLuacrypt) {
    const std::string fixture = testing_support::executableFolder() + "fixtures/tool_script.luac";
    LuaEngine* engine = LuaEngine::getInstance();
    EXPECT_EQ(engine->executeScriptFile(fixture.c_str()), 42);
    EXPECT_EQ(evalString(engine->getLuaStack()->getLuaState(), "return tool_script_ran"), "encrypted by luacrypt");
}

TEST_F(LuaEngineTest, ManagerOwnsTheEngineAndNeverDangles) {
    ScriptEngineManager* manager = ScriptEngineManager::getInstance();
    LuaEngine* first = LuaEngine::getInstance();
    first->executeString("marker = 'first state'");
    manager->setScriptEngine(first);
    EXPECT_EQ(manager->getScriptEngine(), first);

    manager->removeScriptEngine();  // deletes it
    EXPECT_EQ(manager->getScriptEngine(), nullptr);
    LuaEngine* second = LuaEngine::getInstance();
    EXPECT_EQ(evalString(second->getLuaStack()->getLuaState(), "return tostring(marker)"), "nil");

    manager->setScriptEngine(second);
    delete second;  // by hand: the slot must not keep the dead pointer
    EXPECT_EQ(manager->getScriptEngine(), nullptr);
}

} // namespace
