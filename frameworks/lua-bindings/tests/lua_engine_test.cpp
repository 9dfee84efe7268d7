// LuaEngine with the game's getInstance(): the build's key is installed on
// creation, and scripts encrypted by luacrypt run.
#include "scripting/lua-bindings/manual/CCLuaEngine.h"

#include "proj.win32/ScriptKey.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

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
    void TearDown() override { dropEngine(); }
};

// A script encrypted here with all 16 key bytes and all 6 sign bytes runs only
// where exactly that pair was installed.
TEST_F(LuaEngineTest, FirstGetInstanceAndInstallScriptKeyAndSignInstallTheBuildPair) {
    testing_support::GameFolder folder;
    const ScriptKeyAndSign pair;
    folder.write("src/probe.luac",
                 testing_support::encryptScript("probe_ran = 'yes'; return 3", std::string(pair.key(), 16),
                                                std::string(pair.sign(), 6)));

    LuaEngine* engine = LuaEngine::getInstance();
    ASSERT_NE(engine, nullptr);
    ASSERT_NE(engine->getLuaStack(), nullptr);
    EXPECT_EQ(engine->getScriptType(), cocos2d::kScriptTypeLua);
    EXPECT_EQ(LuaEngine::getInstance(), engine);
    EXPECT_EQ(engine->executeScriptFile("src/probe.luac"), 3);
    EXPECT_EQ(evalString(engine->getLuaStack()->getLuaState(), "return probe_ran"), "yes");

    cocos2d::LuaStack plain;
    ASSERT_TRUE(plain.init());
    EXPECT_EQ(plain.executeScriptFile("src/probe.luac"), 0) << "no key yet: the file must not run";
    installScriptKeyAndSign(&plain);
    EXPECT_EQ(plain.executeScriptFile("src/probe.luac"), 3);
    EXPECT_EQ(evalString(plain.getLuaState(), "return probe_ran"), "yes");
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
