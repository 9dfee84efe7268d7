// zavu_openPayWebView in a real Lua state, opening the window on the double.
#include "platform/webwindow/PayWebViewLua.h"
#include "platform/webwindow/WebWindowTestSupport.h"

#include "lua.hpp"

using namespace webwindow_testing;

namespace {

class PayWebViewLua : public WebWindowTest {
protected:
    void SetUp() override {
        WebWindowTest::SetUp();
        L = luaL_newstate();
        ASSERT_NE(L, nullptr);
        luaL_openlibs(L);
        registerPayWebViewLua(L);
    }
    void TearDown() override {
        lua_close(L);
        WebWindowTest::TearDown();
    }
    // Runs code that returns the call's results packed with their count.
    std::string run(const std::string& call) {
        const std::string chunk = "local r = table.pack and table.pack(" + call + ") or {n = select('#', " + call +
                                  "), " + call + "}\n return tostring(r.n) .. ':' .. tostring(r[1])";
        if (luaL_dostring(L, chunk.c_str()) != 0) {
            std::string error = lua_tostring(L, -1);
            lua_pop(L, 1);
            return "error: " + error;
        }
        std::string out = lua_tostring(L, -1);
        lua_pop(L, 1);
        return out;
    }
    lua_State* L = nullptr;
};

}  // namespace

TEST(PayWebViewLuaRegistration, ANullStateIsIgnored) { registerPayWebViewLua(nullptr); }

TEST_F(PayWebViewLua, WithoutAUsableUrlTheAnswerIsOneFalse) {
    for (const char* call : {"zavu_openPayWebView()", "zavu_openPayWebView(nil, 'p')", "zavu_openPayWebView({})",
                             "zavu_openPayWebView(true)", "zavu_openPayWebView('')"}) {
        EXPECT_EQ(run(call), "1:false") << call;
    }
    EXPECT_EQ(gWebWindow.window, nullptr) << "nothing opened";
    EXPECT_EQ(api.environmentCalls(), 0);
}

TEST_F(PayWebViewLua, OpensTheWindowWithUrlAndPackage) {
    EXPECT_EQ(run("zavu_openPayWebView('https://pay.example.test/a', '__shop')"), "1:true");
    EXPECT_EQ(gWebWindow.package, L"__shop");
    ASSERT_TRUE(pumpUntil([&] { return lastNavigation(log()) == L"https://pay.example.test/a"; }));
    // A package that is not a string is no package; a number passes Lua's string test.
    ::SendMessageW(gWebWindow.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(run("zavu_openPayWebView('https://pay.example.test/b', {})"), "1:true");
    EXPECT_EQ(gWebWindow.package, L"");
    EXPECT_EQ(run("zavu_openPayWebView('https://pay.example.test/c', 42)"), "1:true");
    EXPECT_EQ(gWebWindow.package, L"42");
    EXPECT_EQ(lastNavigation(log()), L"https://pay.example.test/c");
}
