// `zavu_native` driven from Lua as the game calls it: the method table, the
// class test, argument handling, the saved method and the logout family.
#include "platform/storage/LoginStore.h"
#include "platform/login/LoginTestSupport.h"
#include "platform/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using logintest::DispatchLua;

class NativeDispatchTest : public ::testing::Test {
protected:
    storagetest::WritableFolder folder_{"dispatch"};
    DispatchLua lua_;
};

TEST_F(NativeDispatchTest, MethodsThatDoNothingAnswerTrueAndCallNoCallback) {
    for (const char* method : {"submitLoginInfo", "contactUs", "faceBookShare", "openCafeForum", "bandPhone",
                               "exitGame"}) {
        SCOPED_TRACE(method);
        EXPECT_EQ(lua_.run(std::string("return zavu_native('x.PlatformQolavi.y', '") + method + "', cb())"), "true");
        EXPECT_EQ(lua_.run(std::string("return zavu_native('PlatformQolavi', '") + method + "', {})"), "true");
    }
    EXPECT_TRUE(lua_.results().empty());
}

struct NilCase {
    const char* call;
};

TEST_F(NativeDispatchTest, CallsOutsideTheTableAnswerNilAndNeverCallBack) {
    const NilCase cases[] = {
        {"zavu_native('Other', 'loginGoogle', cb())"},
        {"zavu_native('platformqolavi', 'contactUs', {})"},  // the class test is case-sensitive
        {"zavu_native('PlatformQolavi', 'noSuchMethod', cb())"},
        {"zavu_native('PlatformQolavi', 'logingoogle', cb())"},
        {"zavu_native('PlatformQolavi', 'loginGoogleSilent ', cb())"},
        {"zavu_native({}, 'contactUs', {})"},
        {"zavu_native(nil, 'contactUs', {})"},
        {"zavu_native('PlatformQolavi', {}, {})"},
        {"zavu_native('PlatformQolavi', 12, {})"},
        {"zavu_native('PlatformQolavi')"},
        {"zavu_native()"},
    };
    for (const NilCase& c : cases) {
        SCOPED_TRACE(c.call);
        EXPECT_EQ(lua_.run(std::string("return ") + c.call), "nil");
    }
    // Exactly one value, even for nil.
    EXPECT_EQ(lua_.run("return select('#', zavu_native('Other', 'x'))"), "number:1");
    EXPECT_TRUE(lua_.results().empty());
}

TEST_F(NativeDispatchTest, SavedMethodIsAStringEvenWhenNothingIsSaved) {
    EXPECT_EQ(lua_.run("local m = zavu_native('PlatformQolavi', 'getSavedMethod', {}); return type(m) .. ':' .. m"),
              "string:");
    setSavedLoginValue("method", "telegram");
    EXPECT_EQ(lua_.run("return zavu_native('PlatformQolavi', 'getSavedMethod')"), "telegram");
}

TEST_F(NativeDispatchTest, LogoutFamilyEmptiesMethodAndBothRefreshTokens) {
    for (const char* method : {"logout", "switchAccount", "clearSavedLogin"}) {
        SCOPED_TRACE(method);
        setSavedLoginValue("method", "google");
        setSavedLoginValue("tg_rt", "tg-token");
        setSavedLoginValue("gg_rt", "gg-token");
        setSavedLoginValue("other", "kept");
        EXPECT_EQ(lua_.run(std::string("return zavu_native('PlatformQolavi', '") + method + "', {})"), "true");
        EXPECT_EQ(getSavedLoginValue("method"), "");
        EXPECT_EQ(getSavedLoginValue("tg_rt"), "");
        EXPECT_EQ(getSavedLoginValue("gg_rt"), "");
        EXPECT_EQ(getSavedLoginValue("other"), "kept");
    }
}

TEST_F(NativeDispatchTest, OpenTelegramWithoutAUrlStillAnswersTrue) {
    EXPECT_EQ(lua_.run("return zavu_native('PlatformQolavi', 'openTelegram', {})"), "true");
    EXPECT_EQ(lua_.run("return zavu_native('PlatformQolavi', 'openTelegram', 'not a table')"), "true");
}

TEST_F(NativeDispatchTest, OpenPayWebViewWithoutAUrlIsFalse) {
    EXPECT_EQ(lua_.run("return zavu_native('PlatformQolavi', 'openPayWebView', {})"), "false");
    EXPECT_EQ(lua_.run("return zavu_native('PlatformQolavi', 'openPayWebView', {false, 'pkg'})"), "false");
}

TEST_F(NativeDispatchTest, SilentLoginWithoutSavedTokenFailsInsideTheCallAndReleasesTheCallback) {
    const int before = lua_.registryFunctions();
    // The callback runs before zavu_native returns: the script sees it at once.
    EXPECT_EQ(lua_.run("local r = zavu_native('PlatformQolavi', 'loginTelegramSilent', cb());"
                       "return tostring(r) .. ':' .. tostring(results[1])"),
              "true:faild");
    EXPECT_EQ(lua_.run("return zavu_native('PlatformQolavi', 'loginGoogleSilent', cb())"), "true");
    EXPECT_EQ(lua_.results(), (std::vector<std::string>{"faild", "faild"}));
    EXPECT_EQ(lua_.registryFunctions(), before);
}

TEST_F(NativeDispatchTest, ArgumentsWithoutAFunctionStillRunTheOperation) {
    // Nothing to call: the result is dropped, and nothing is kept in the registry.
    const int before = lua_.registryFunctions();
    for (const char* args : {"{}", "{'x'}", "nil", "'str'", "{nil, function() end}"}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(lua_.run(std::string("return zavu_native('PlatformQolavi', 'loginTelegramSilent', ") + args + ")"),
                  "true");
    }
    EXPECT_EQ(lua_.registryFunctions(), before);
}

TEST_F(NativeDispatchTest, AnErrorInsideTheCallbackIsSwallowedAndItsReferenceReleased) {
    const int before = lua_.registryFunctions();
    EXPECT_EQ(lua_.run("called = 0;"
                       "return zavu_native('PlatformQolavi', 'loginGoogleSilent',"
                       "  {function(r) called = called + 1; error('boom') end})"),
              "true");
    EXPECT_EQ(lua_.run("return called"), "number:1");
    EXPECT_EQ(lua_.registryFunctions(), before);
    EXPECT_EQ(lua_.run("return zavu_native('PlatformQolavi', 'contactUs', {})"), "true") << "the state is still usable";
}

TEST_F(NativeDispatchTest, ResultInsideTheCallRunsInTheCallersCoroutine) {
    EXPECT_EQ(lua_.run("local co = coroutine.create(function()"
                       "  zavu_native('PlatformQolavi', 'loginTelegramSilent',"
                       "    {function(r) seenIn = coroutine.running() end})"
                       "end);"
                       "assert(coroutine.resume(co));"
                       "return tostring(seenIn == co)"),
              "true");
}

}  // namespace
