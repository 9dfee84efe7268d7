// The web logins end to end, driven from Lua as the game calls them, with the
// test double of "WebView2Loader.dll" beside the executable raising the
// navigations a sign-in page would make.
#include "platform/storage/LoginStore.h"
#include "platform/login/LoginTestSupport.h"
#include "platform/login/Nonce.h"
#include "platform/storage/StorageTestSupport.h"

#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"

#include "LogHook.h"
#include "WebView2Double.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

using logintest::DispatchLua;
using logintest::base64Url;
using logintest::idToken;

const std::string kUserSite = std::string("https://") + USER_SITE_HOST + "/";

class WebLoginTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(api_.load()) << "WebView2Loader.dll (the double) beside the test executable";
        api_.reset();
        api_.setDelivery(0);  // completions inside the creating call: no pumping needed
        api_.setAutoNavigation(0);
        api_.scriptEnvironment(WV2D_ENV_SUCCEED, S_OK);
        api_.scriptController(WV2D_CONTROLLER_SUCCEED, S_OK);
    }
    void TearDown() override {
        // A fresh window for the next test; a login still waiting is dropped.
        if (HWND w = webWindow()) ::DestroyWindow(w);
        pump();
        for (const std::wstring& breach : api_.violations()) ADD_FAILURE() << "COM rule broken: " << wideToUtf8(breach);
    }

    HWND webWindow() {
        HWND w = api_.parentWindow();
        return w && ::IsWindow(w) ? w : nullptr;
    }
    static void pump() {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
    // 1 when the view's navigation was cancelled (intercepted).
    int navigateTo(const std::string& url) {
        const int cancelled = api_.raiseNavigationStarting(utf8ToWide(url).c_str());
        pump();
        return cancelled;
    }
    void closeWindow() {
        ASSERT_NE(webWindow(), nullptr);
        ::SendMessageW(webWindow(), WM_CLOSE, 0, 0);
        pump();
    }
    std::vector<std::string> navigations() {
        std::vector<std::string> urls;
        for (const std::wstring& line : api_.log()) {
            if (line.rfind(L"Navigate ", 0) == 0) urls.push_back(wideToUtf8(line.substr(9)));
        }
        return urls;
    }
    std::string start(const char* method) {
        return lua_.run(std::string("return zavu_native('PlatformQolavi', '") + method + "', cb())");
    }

    WebView2DoubleApi api_;
    storagetest::WritableFolder folder_{"weblogin"};
    DispatchLua lua_;
};

struct RoadCase {
    const char* method;
    const char* page;
    const char* prefix;
    const char* savedMethod;
    const char* tokenKey;
    const char* otherTokenKey;
};

TEST_F(WebLoginTest, TelegramAndGoogleRoadsSaveMethodAndTokenInTheProtectedFile) {
    const RoadCase roads[] = {
        {"loginTelegram", "tglogin.php?from=app", "zavu://tgdone", "telegram", "tg_rt", "gg_rt"},
        {"loginGoogle", "glogin.php?from=app", "zavu://gdone", "google", "gg_rt", "tg_rt"},
    };
    for (const RoadCase& road : roads) {
        SCOPED_TRACE(road.method);
        lua_.run("results = {}");
        setSavedLoginValue(road.otherTokenKey, "other-token");
        EXPECT_EQ(start(road.method), "true");
        EXPECT_TRUE(lua_.results().empty()) << "nothing until the page answers";
        ASSERT_FALSE(navigations().empty());
        EXPECT_EQ(navigations().back(), kUserSite + road.page);

        EXPECT_EQ(navigateTo(kUserSite + "tglogin-step2.php?x=1"), 0) << "other pages load normally";
        EXPECT_EQ(navigateTo(std::string(road.prefix) + "?code=1000&userid=7&sign=ab%2Bc&timestamp=9&rt=x+y"), 1);
        EXPECT_EQ(lua_.results(), (std::vector<std::string>{"success|7|ab+c|9|7"}));
        EXPECT_EQ(getSavedLoginValue("method"), road.savedMethod);
        EXPECT_EQ(getSavedLoginValue(road.tokenKey), "x y");
        EXPECT_EQ(getSavedLoginValue(road.otherTokenKey), "other-token");

        // Read back by a second hand: the file is the protected blob of these lines.
        std::string plain;
        ASSERT_EQ(storagetest::runOutsideDecryption(folder_.path() + "zavu_login.txt", &plain), 0);
        EXPECT_NE(plain.find(std::string("method=") + road.savedMethod), std::string::npos) << plain;
        EXPECT_NE(plain.find(std::string(road.tokenKey) + "=x y"), std::string::npos) << plain;
        EXPECT_EQ(storagetest::readFile(folder_.path() + "zavu_login.txt").find("x y"), std::string::npos)
            << "the token is not in clear on disk";

        EXPECT_EQ(navigateTo(std::string(road.prefix) + "?code=1000&userid=8&sign=s"), 0) << "one answer per login";
        EXPECT_EQ(lua_.results().size(), 1u);
    }
}

struct CallbackUrlCase {
    const char* url;
    const char* result;  // nullptr: not intercepted (closing the window then gives "faild")
    const char* savedToken;
};

TEST_F(WebLoginTest, TelegramCallbackUrls) {
    const CallbackUrlCase cases[] = {
        {"zavu://tgdone?code=1000&userid=7&sign=s&timestamp=9&rt=r", "success|7|s|9|7", "r"},
        {"zavu://tgdone?code=1000&userid=7&sign=s&timestamp=9", "success|7|s|9|7", ""},
        {"zavu://tgdone?code=1000&userid=7&sign=s&timestamp=&rt=", "success|7|s||7", ""},
        {"zavu://tgdone?code=10000&userid=7&sign=s&rt=r", "faild", ""},
        {"zavu://tgdone?code=100&userid=7&sign=s&rt=r", "faild", ""},
        {"zavu://tgdone?code=&userid=7&sign=s&rt=r", "faild", ""},
        {"zavu://tgdone?userid=7&sign=s&rt=r", "faild", ""},
        {"zavu://tgdone?code=1000&userid=&sign=s&rt=r", "faild", ""},
        {"zavu://tgdone?code=1000&userid=7&sign=&rt=r", "faild", ""},
        {"zavu://tgdone?xcode=1000&userid=7&sign=s", "faild", ""},
        {"zavu://tgdone", "faild", ""},
        // "+" and "%" decoding; "#" belongs to the last value.
        {"zavu://tgdone?code=1000&userid=V%C3%A2n+A&sign=a%4&rt=%4G1", "success|V\xC3\xA2n A|a%4||V\xC3\xA2n A", "@1"},
        {"zavu://tgdone?code=1000&userid=7&timestamp=1&sign=s#frag", "success|7|s#frag|1|7", ""},
        {"zavu://tgdone/extra?code=1000&userid=7&sign=s", "success|7|s||7", ""},
        // A token that could not be sent back whole is not saved; the login stands.
        {"zavu://tgdone?code=1000&userid=7&sign=s&timestamp=9&rt=a%00b", "success|7|s|9|7", ""},
        {"zavu://tgdone?code=1000&userid=7&sign=s&timestamp=9&rt=a%0D%0Amethod=x", "success|7|s|9|7", ""},
        // The prefix is compared as written.
        {"ZAVU://TGDONE?code=1000&userid=7&sign=s&rt=r", nullptr, ""},
        {"zavu://gdone?code=1000&userid=7&sign=s&rt=r", nullptr, ""},
    };
    for (const CallbackUrlCase& c : cases) {
        SCOPED_TRACE(c.url);
        lua_.run("results = {}");
        setSavedLoginValue("method", "");
        setSavedLoginValue("tg_rt", "");
        EXPECT_EQ(start("loginTelegram"), "true");
        const int cancelled = navigateTo(c.url);
        if (!c.result) {
            EXPECT_EQ(cancelled, 0);
            EXPECT_TRUE(lua_.results().empty());
            closeWindow();
            EXPECT_EQ(lua_.results(), (std::vector<std::string>{"faild"}));
            continue;
        }
        EXPECT_EQ(cancelled, 1);
        EXPECT_EQ(lua_.results(), (std::vector<std::string>{c.result}));
        const bool success = std::string(c.result) != "faild";
        EXPECT_EQ(getSavedLoginValue("method"), success ? "telegram" : "");
        EXPECT_EQ(getSavedLoginValue("tg_rt"), c.savedToken);
    }
}

TEST_F(WebLoginTest, ALoginWithoutACallbackFunctionStillSaves) {
    EXPECT_EQ(lua_.run("return zavu_native('PlatformQolavi', 'loginGoogle', {'not a function'})"), "true");
    EXPECT_EQ(navigateTo("zavu://gdone?code=1000&userid=7&sign=s&rt=kept-token"), 1);
    EXPECT_EQ(getSavedLoginValue("method"), "google");
    EXPECT_EQ(getSavedLoginValue("gg_rt"), "kept-token");
    EXPECT_TRUE(lua_.results().empty());
}

TEST_F(WebLoginTest, ClosingTheWindowAnswersFaildOnceAndSavesNothing) {
    setSavedLoginValue("gg_rt", "kept");
    const int before = lua_.registryFunctions();
    EXPECT_EQ(start("loginGoogle"), "true");
    closeWindow();
    closeWindow();
    EXPECT_EQ(lua_.results(), (std::vector<std::string>{"faild"}));
    EXPECT_EQ(getSavedLoginValue("method"), "");
    EXPECT_EQ(getSavedLoginValue("gg_rt"), "kept");
    EXPECT_EQ(lua_.registryFunctions(), before);
}

// The window's close hands "faild" over from the message loop, outside any
// call of the script. A collection that runs there, while the result is
// pushed, may call a finalizer that raises: logged, and the host goes on.
TEST_F(WebLoginTest, AFinalizerThatRaisesWhileAResultIsHandedOverIsLogged) {
    std::vector<std::string> log;
    cocos2d::setLogHook([&log](const std::string& line) { log.push_back(line); });
    const int before = lua_.registryFunctions();
    EXPECT_EQ(start("loginGoogle"), "true");
    // A whole cycle at the next allocation, which is the result's string: the
    // garbage below is made after the last cycle ended, and nothing of Lua
    // runs between this chunk and the close.
    EXPECT_EQ(lua_.run("collectgarbage('collect')\n"
                       "collectgarbage('stop')\n"
                       "collectgarbage('setstepmul', 1000000)\n"
                       "local p = newproxy(true)\n"
                       "getmetatable(p).__gc = function() error('finalizer raised') end\n"
                       "p = nil\n"
                       "collectgarbage('restart')"),
              "nil");
    closeWindow();
    cocos2d::setLogHook(nullptr);
    EXPECT_NE(std::find_if(log.begin(), log.end(),
                           [](const std::string& l) {
                               return l.rfind("[LUA ERROR] tra ket qua cho Lua that bai: ", 0) == 0 &&
                                      l.find("finalizer raised") != std::string::npos;
                           }),
              log.end());
    EXPECT_EQ(lua_.registryFunctions(), before) << "the callback is released all the same";
    lua_.run("collectgarbage('setstepmul', 200)");
    // The state goes on: the next login is answered as usual.
    lua_.run("results = {}");
    EXPECT_EQ(start("loginGoogle"), "true");
    closeWindow();
    EXPECT_EQ(lua_.results(), (std::vector<std::string>{"faild"}));
}

TEST_F(WebLoginTest, ANewerLoginReplacesTheWaitingOneWhoseCallbackIsReleasedUncalled) {
    const int before = lua_.registryFunctions();
    EXPECT_EQ(lua_.run("return zavu_native('PlatformQolavi', 'loginTelegram', {function(r) first = r end})"), "true");
    EXPECT_EQ(lua_.registryFunctions(), before + 1);
    EXPECT_EQ(start("loginGoogle"), "true");
    EXPECT_EQ(lua_.registryFunctions(), before + 1) << "the first callback's reference is released";
    EXPECT_EQ(navigateTo("zavu://tgdone?code=1000&userid=7&sign=s"), 0) << "the Telegram prefix is no longer watched";
    EXPECT_EQ(navigateTo("zavu://gdone?code=1000&userid=8&sign=g&timestamp=2"), 1);
    EXPECT_EQ(lua_.run("return tostring(first)"), "nil");
    EXPECT_EQ(lua_.results(), (std::vector<std::string>{"success|8|g|2|8"}));
    EXPECT_EQ(lua_.registryFunctions(), before);
}

TEST_F(WebLoginTest, DestroyedWindowDropsTheLoginAndReleasesItsCallback) {
    const int before = lua_.registryFunctions();
    EXPECT_EQ(start("bindTelegram"), "true");
    ASSERT_NE(webWindow(), nullptr);
    ::DestroyWindow(webWindow());
    pump();
    EXPECT_TRUE(lua_.results().empty());
    EXPECT_EQ(lua_.registryFunctions(), before);
}

TEST_F(WebLoginTest, MissingWebViewFailsInsideTheCall) {
    api_.scriptEnvironment(WV2D_ENV_FAIL_AT_ONCE, E_FAIL);
    const int before = lua_.registryFunctions();
    for (const char* method : {"loginTelegram", "loginGoogle", "getGoogleIdToken", "bindTelegram"}) {
        SCOPED_TRACE(method);
        lua_.run("results = {}");
        EXPECT_EQ(lua_.run(std::string("local r = zavu_native('PlatformQolavi', '") + method +
                           "', cb()); return tostring(r) .. ':' .. tostring(results[1])"),
                  "true:faild");
        EXPECT_EQ(lua_.results().size(), 1u);
    }
    EXPECT_EQ(lua_.registryFunctions(), before);
    EXPECT_EQ(getSavedLoginValue("method"), "");
}

TEST_F(WebLoginTest, LateResultGoesThroughTheMainStateAfterTheCallingCoroutineIsGone) {
    EXPECT_EQ(lua_.run("local co = coroutine.create(function()"
                       "  return zavu_native('PlatformQolavi', 'loginGoogle',"
                       "    {function(r) seen = r; inCoroutine = coroutine.running() ~= nil end})"
                       "end);"
                       "local ok, r = coroutine.resume(co);"
                       "return tostring(ok) .. ':' .. tostring(r) .. ':' .. coroutine.status(co)"),
              "true:true:dead");
    lua_.run("collectgarbage('collect'); collectgarbage('collect')");
    EXPECT_EQ(navigateTo("zavu://gdone?code=1000&userid=5&sign=q&timestamp=3"), 1);
    EXPECT_EQ(lua_.run("return tostring(seen) .. ':' .. tostring(inCoroutine)"), "success|5|q|3|5:false");
}

std::string percentEncodeColonAndSlash(const std::string& text) {
    std::string out;
    for (char c : text) out += c == ':' ? std::string("%3A") : c == '/' ? std::string("%2F") : std::string(1, c);
    return out;
}

TEST_F(WebLoginTest, GoogleIdTokenRequestAndItsFragment) {
    EXPECT_EQ(start("getGoogleIdToken"), "true");
    ASSERT_EQ(navigations().size(), 1u);
    const std::string url = navigations()[0];
    const std::string expected = std::string("https://") + GOOGLE_AUTH_HOST +
                                 "/o/oauth2/v2/auth?client_id="
                                 "481516234200-qp7xw2mzk4ntr8vhy3jd6lcbs9ef5ga1.oauth-clients.example.test"
                                 "&response_type=id_token&redirect_uri=" +
                                 percentEncodeColonAndSlash(kUserSite + "gcallback.php") +
                                 "&scope=openid%20email&prompt=select_account&nonce=";
    ASSERT_EQ(url.substr(0, expected.size()), expected);
    const std::string nonce = url.substr(expected.size());
    EXPECT_EQ(nonce.size(), 16u);
    EXPECT_EQ(nonce.find_first_not_of("0123456789abcdef"), std::string::npos) << nonce;

    EXPECT_EQ(navigateTo(kUserSite + "gcallback.php?x=1"), 0) << "the prefix includes the \"#\"";
    // A claim of the sent nonce, among others, with the JSON's "/" escaped.
    const std::string token =
        idToken(R"({"iss":"https:\/\/accounts.example.test","nonce":")" + nonce + R"(","sub":"1"})");
    EXPECT_EQ(navigateTo(kUserSite + "gcallback.php#state=a&id_token=" + token + "&x=1"), 1);
    EXPECT_EQ(lua_.results(), (std::vector<std::string>{"token|" + token}));

    // Each case is a new request with a nonce of its own, read from its URL.
    const struct {
        const char* name;
        std::function<std::string(const std::string& nonce)> fragment;
    } failing[] = {
        {"no token", [](const std::string&) { return std::string("#"); }},
        {"empty token", [](const std::string&) { return std::string("#id_token="); }},
        {"another key", [](const std::string& n) { return "#xid_token=" + idToken(R"({"nonce":")" + n + "\"}"); }},
        {"no nonce claim", [](const std::string&) { return "#id_token=" + idToken(R"({"sub":"1"})"); }},
        {"another nonce",
         [](const std::string&) { return "#id_token=" + idToken(R"({"nonce":"0123456789abcdef"})"); }},
        {"the nonce as a number", [](const std::string&) { return "#id_token=" + idToken(R"({"nonce":1})"); }},
        {"the nonce in the header only",
         [](const std::string& n) {
             return "#id_token=" + base64Url(R"({"nonce":")" + n + "\"}") + "." + base64Url("{}") + ".x";
         }},
        {"not of the JWT form", [](const std::string&) { return std::string("#id_token=T.k-1_x"); }},
        {"a payload that is not JSON", [](const std::string&) { return "#id_token=" + idToken("nonce"); }},
    };
    for (const auto& f : failing) {
        SCOPED_TRACE(f.name);
        lua_.run("results = {}");
        EXPECT_EQ(start("getGoogleIdToken"), "true");
        const std::string sent = navigations().back().substr(expected.size());
        ASSERT_EQ(sent.size(), 16u);
        EXPECT_EQ(navigateTo(kUserSite + "gcallback.php" + f.fragment(sent)), 1);
        EXPECT_EQ(lua_.results(), (std::vector<std::string>{"faild"}));
    }
    EXPECT_EQ(getSavedLoginValue("method"), "") << "an ID token saves nothing";
    EXPECT_EQ(getSavedLoginValue("gg_rt"), "");
}

TEST(NonceTest, SixteenHexDigitsFromTheRandomGenerator) {
    // Made in a tight loop: a clock or a counter would show as repeated or
    // stepping digits; 64 random bits show neither.
    std::set<std::string> nonces, firstHalves, secondHalves;
    std::set<char> seen[16];
    for (int i = 0; i < 64; ++i) {
        const std::string n = makeNonce();
        ASSERT_EQ(n.size(), 16u);
        ASSERT_EQ(n.find_first_not_of("0123456789abcdef"), std::string::npos) << n;
        nonces.insert(n);
        firstHalves.insert(n.substr(0, 8));
        secondHalves.insert(n.substr(8));
        for (int d = 0; d < 16; ++d) seen[d].insert(n[d]);
    }
    EXPECT_EQ(nonces.size(), 64u);
    EXPECT_GT(firstHalves.size(), 60u);
    EXPECT_GT(secondHalves.size(), 60u);
    for (int d = 0; d < 16; ++d) EXPECT_GT(seen[d].size(), 4u) << "digit " << d << " hardly varies";
}

TEST_F(WebLoginTest, TelegramBindingGivesTheTicketAndSavesNothing) {
    const CallbackUrlCase cases[] = {
        {"zavu://tgbind?code=1000&ticket=T", "ticket|T", ""},
        {"zavu://tgbind?code=1000&ticket=T#frag&ticket=U", "ticket|T", ""},
        {"zavu://tgbind?ticket=a%2Bb+c&code=1000", "ticket|a%2Bb+c", ""},  // not decoded
        {"zavu://tgbind?xcode=1000&ticket=T", "faild", ""},
        {"zavu://tgbind?code=1000&ticket=", "faild", ""},
        {"zavu://tgbind?code=1001&ticket=T", "faild", ""},
        {"zavu://tgbind?code=1000#ticket=T", "faild", ""},
    };
    for (const CallbackUrlCase& c : cases) {
        SCOPED_TRACE(c.url);
        lua_.run("results = {}");
        EXPECT_EQ(start("bindTelegram"), "true");
        EXPECT_EQ(navigations().back(), kUserSite + "tglogin.php?from=bindsocial");
        EXPECT_EQ(navigateTo(c.url), 1);
        EXPECT_EQ(lua_.results(), (std::vector<std::string>{c.result}));
    }
    EXPECT_EQ(getSavedLoginValue("method"), "");
    EXPECT_EQ(getSavedLoginValue("tg_rt"), "");
}

TEST_F(WebLoginTest, PayWebViewOpensTheGivenPageAndKeepsItsPackage) {
    EXPECT_EQ(lua_.run("return zavu_native('PlatformQolavi', 'openPayWebView', {'" + kUserSite +
                       "pay.php?u=1', 'pkg.1'})"),
              "true");
    ASSERT_FALSE(navigations().empty());
    EXPECT_EQ(navigations().back(), kUserSite + "pay.php?u=1");
    // The user signs in on the site: the one shop redirect names the package.
    EXPECT_EQ(api_.raiseNavigationCompleted(utf8ToWide(kUserSite + "account.php").c_str()), 0);
    EXPECT_EQ(navigations().back(), kUserSite + "buypackage.shtml?buy=pkg.1");
}

}  // namespace
