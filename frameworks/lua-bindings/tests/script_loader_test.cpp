// `require` through FileUtils: ".luac" before ".lua" for each package.path template.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using testing_support::encryptScript;
using testing_support::evalString;
using testing_support::GameFolder;
using testing_support::KeyedStack;

namespace {

class ScriptLoaderTest : public ::testing::Test {
protected:
    void SetUp() override { evalString(L, "package.path = 'src/?.lua;?/init.lua;./lib/?.lua'"); }
    std::string encrypted(const std::string& source) const {
        return encryptScript(source, KeyedStack::kKey, KeyedStack::kSign);
    }

    GameFolder folder;
    KeyedStack keyed;
    lua_State* L = keyed.L;
};

TEST_F(ScriptLoaderTest, FindsModulesAlongThePackagePath) {
    folder.write("src/game/util.lua", "return 'util.lua'");
    folder.write("src/game/util.luac", encrypted("return 'util.luac'"));
    folder.write("src/only/plain.lua", "return 'plain'");
    folder.write("lib/extra.lua", "return 'from lib'");  // "./" in the template is dropped
    const struct {
        const char* module;
        const char* result;
    } cases[] = {
        {"game.util", "util.luac"},
        {"only.plain", "plain"},
        {"extra", "from lib"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.module);
        EXPECT_EQ(evalString(L, std::string("return require('") + c.module + "')"), c.result);
    }
}

TEST_F(ScriptLoaderTest, MissingModuleNamesWhatWasTried) {
    const std::string message = evalString(L, "return require('no.such')");
    EXPECT_EQ(message.rfind("error: ", 0), 0u) << message;
    EXPECT_NE(message.find("src/no/such.luac"), std::string::npos) << message;
}

TEST_F(ScriptLoaderTest, ModuleThatDoesNotDecryptIsAnErrorNotAnEmptyModule) {
    const std::string good = encrypted("loaded = true; return {}");
    folder.write("src/broken.luac", good.substr(0, good.size() - 4));
    const std::string message = evalString(L, "return require('broken')");
    EXPECT_EQ(message.rfind("error: ", 0), 0u) << message;
    EXPECT_NE(message.find("error loading module 'broken'"), std::string::npos) << message;
    EXPECT_EQ(evalString(L, "return tostring(loaded)"), "nil");
    EXPECT_EQ(evalString(L, "return tostring(package.loaded.broken)"), "nil");
}

} // namespace
