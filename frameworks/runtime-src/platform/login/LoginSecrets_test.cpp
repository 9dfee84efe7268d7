// Every road that carries a token, a sign, an ID token, a callback URL or a
// POST body, run once with values marked "SECRET", while the engine log is
// captured. The debug output of the same run is checked from outside by
// tests/scenario/login_secrets_test.py, which runs this test alone.
#include "platform/storage/LoginStore.h"
#include "platform/login/LoginTestSupport.h"
#include "platform/storage/StorageTestSupport.h"

#include "LogHook.h"
#include "base/CCConsole.h"
#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"

#include "WebView2Double.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace logintest;

const char kMarker[] = "SECRET";

class EngineLogCapture {
public:
    EngineLogCapture() : lines_(std::make_shared<std::vector<std::string>>()) {
        auto lines = lines_;
        cocos2d::setLogHook([lines](const std::string& line) { lines->push_back(line); });
    }
    ~EngineLogCapture() { cocos2d::setLogHook({}); }
    const std::vector<std::string>& lines() const { return *lines_; }

private:
    std::shared_ptr<std::vector<std::string>> lines_;
};

void pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
}

TEST(LoginSecretsTest, NoSecretReachesTheEngineLog) {
    WebView2DoubleApi api;
    ASSERT_TRUE(api.load());
    api.reset();
    api.setDelivery(0);
    api.setAutoNavigation(0);
    api.scriptEnvironment(WV2D_ENV_SUCCEED, S_OK);
    api.scriptController(WV2D_CONTROLLER_SUCCEED, S_OK);
    installCaBundle(Bundle::FixtureCa);
    storagetest::WritableFolder folder("secrets");
    DispatchLua lua;
    EngineLogCapture log;
    // Shows the outside checker that debug output of this run reaches it.
    ::OutputDebugStringA("native-bridge: secret roads begin\n");

    const auto navigate = [&api](const std::string& url) {
        const int cancelled = api.raiseNavigationStarting(utf8ToWide(url).c_str());
        pump();
        return cancelled;
    };
    const auto call = [&lua](const char* method) {
        return lua.run(std::string("return zavu_native('PlatformQolavi', '") + method + "', cb())");
    };

    EXPECT_EQ(call("loginTelegram"), "true");
    EXPECT_EQ(navigate("zavu://tgdone?code=1000&userid=u1&sign=signSECRET1&timestamp=1&rt=rtSECRETtg+%2F"), 1);
    EXPECT_EQ(call("loginGoogle"), "true");
    EXPECT_EQ(navigate("zavu://gdone?code=1001&userid=u1&sign=signSECRET2&rt=rtSECRETgg"), 1);
    EXPECT_EQ(call("getGoogleIdToken"), "true");
    const std::vector<std::wstring> requests = api.log();
    ASSERT_FALSE(requests.empty());
    const std::string nonce = nonceOf(wideToUtf8(requests.back()));
    ASSERT_EQ(nonce.size(), 16u);
    const std::string token = idToken(R"({"nonce":")" + nonce + R"(","sub":"1"})", "idSECRETsignature");
    EXPECT_EQ(navigate("https://" USER_SITE_HOST "/gcallback.php#id_token=" + token), 1);
    EXPECT_EQ(call("bindTelegram"), "true");
    EXPECT_EQ(navigate("zavu://tgbind?code=1000&ticket=ticketSECRET"), 1);

    const std::string ok = R"({"code":"1000","userid":"u1","sign":"signSECRET3","timestamp":"1","rt":"rtSECRETnew"})";
    scriptReloginService("{\"/app_relogin.php\": {\"body\": " + jsonQuote(ok) + "}}");
    EXPECT_EQ(call("loginTelegramSilent"), "true");
    scriptReloginService("{\"/app_relogin.php\": {\"status\": 500, \"body\": " + jsonQuote(ok) + "}}");
    EXPECT_EQ(call("loginTelegramSilent"), "true");
    scriptReloginService("{\"/app_relogin.php\": {\"body\": " + jsonQuote(ok + "      ") + ", \"cut_after\": 20}}");
    EXPECT_EQ(call("loginTelegramSilent"), "true");
    presentOnReloginPort(ReloginCertificate::FromAnotherCa);
    EXPECT_EQ(call("loginTelegramSilent"), "true");
    presentOnReloginPort(ReloginCertificate::Own);
    if (HWND w = api.parentWindow(); w && ::IsWindow(w)) ::DestroyWindow(w);
    pump();

    EXPECT_EQ(lua.results(), (std::vector<std::string>{"success|u1|signSECRET1|1|u1", "faild", "token|" + token,
                                                       "ticket|ticketSECRET", "success|u1|signSECRET3|1|u1", "faild",
                                                       "faild", "faild"}))
        << "every road ran";
    EXPECT_EQ(getSavedLoginValue("tg_rt"), "rtSECRETnew");
    EXPECT_FALSE(log.lines().empty()) << "the failed re-logins are logged";
    for (const std::string& line : log.lines()) EXPECT_EQ(line.find(kMarker), std::string::npos) << line;
    ::OutputDebugStringA("native-bridge: secret roads end\n");
}

}  // namespace
