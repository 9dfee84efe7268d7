// The silent re-login against the fixture's re-login service over HTTPS:
// what is sent, which answers count, and what is saved.
#include "platform/login/HttpPostForm.h"
#include "platform/storage/LoginStore.h"
#include "platform/login/LoginTestSupport.h"
#include "platform/storage/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using namespace logintest;

const char kOkBody[] = R"({"code":"1000","userid":"u1","sign":"s1","timestamp":"t1","rt":"rt-new"})";

std::string route(const std::string& fields) { return "{\"/app_relogin.php\": {" + fields + "}}"; }

std::string body(const std::string& json) { return "\"body\": " + jsonQuote(json); }

// json followed by blanks up to size bytes.
std::string padded(const std::string& json, size_t size) { return json + std::string(size - json.size(), ' '); }

std::string redirect(int status, const std::string& location) {
    return "\"status\": " + std::to_string(status) + ", \"headers\": {\"Location\": " + jsonQuote(location) + "}";
}

class SilentReloginTest : public ::testing::Test {
protected:
    void SetUp() override { installCaBundle(Bundle::FixtureCa); }
    void TearDown() override { presentOnReloginPort(ReloginCertificate::Own); }

    // Runs the re-login the game's way and returns the one delivered result.
    std::string relogin(const char* method) {
        lua_.run("results = {}");
        EXPECT_EQ(lua_.run(std::string("return zavu_native('PlatformQolavi', '") + method + "', cb())"), "true");
        const std::vector<std::string> results = lua_.results();
        EXPECT_EQ(results.size(), 1u) << "exactly one delivery, inside the call";
        return results.empty() ? std::string() : results[0];
    }

    storagetest::WritableFolder folder_{"relogin"};
    DispatchLua lua_;
};

struct AnswerCase {
    const char* name;
    std::string routes;  // the service's script
    const char* result;
    const char* savedAfter;  // tg_rt after the call; it was "rt-old"
};

TEST_F(SilentReloginTest, AnswersAndWhatTheyLeaveSaved) {
    const AnswerCase cases[] = {
        {"success with a new token", route(body(kOkBody)), "success|u1|s1|t1|u1", "rt-new"},
        {"empty new token keeps the old, numbers read as digits",
         route(body(R"({"code": "1000", "userid": 12, "sign": "s", "timestamp": -5, "rt": ""})")),
         "success|12|s|-5|12", "rt-old"},
        {"code as a number", route(body(R"({"code":1000,"userid":"u","sign":"s","timestamp":"1"})")),
         "success|u|s|1|u", "rt-old"},
        {"first code key, even nested",
         route(body(R"({"data":{"code":"2001"},"code":"1000","userid":"u","sign":"s","rt":"rt-bad"})")), "faild",
         "rt-old"},
        {"other code", route(body(R"({"code":"1001","userid":"u","sign":"s","rt":"rt-bad"})")), "faild", "rt-old"},
        {"code 10000", route(body(R"({"code":"10000","userid":"u","sign":"s","rt":"rt-bad"})")), "faild", "rt-old"},
        {"no user id", route(body(R"({"code":"1000","userid":"","sign":"s","rt":"rt-bad"})")), "faild", "rt-old"},
        {"no sign", route(body(R"({"code":"1000","userid":"u","rt":"rt-bad"})")), "faild", "rt-old"},
        {"escapes decoded",
         route(body(R"({"code":"1000","userid":"a\"b","sign":"s\/1","timestamp":"9","rt":"n\u00e1\/w"})")),
         "success|a\"b|s/1|9|a\"b", "n\xC3\xA1/w"},
        {"HTTP 500 with a success body", route("\"status\": 500, " + body(kOkBody)), "faild", "rt-old"},
        {"HTTP 404 with a success body", route("\"status\": 404, " + body(kOkBody)), "faild", "rt-old"},
        // The whole success text arrives, but the connection is cut before
        // the announced length: not a completed answer.
        {"cut body", route(body(std::string(kOkBody) + std::string(64, ' ')) + ", \"cut_after\": " +
                          std::to_string(sizeof kOkBody - 1)),
         "faild", "rt-old"},
        {"connection closed without answer", route("\"refuse\": true"), "faild", "rt-old"},
        {"not JSON", route(body("<html>maintenance</html>")), "faild", "rt-old"},
        // A token that could not be sent back whole, or read back as one line:
        // the login stands, the old token stays.
        {"new token with a NUL",
         route(body(R"({"code":"1000","userid":"u","sign":"s","timestamp":"t","rt":"ab\u0000cd"})")),
         "success|u|s|t|u", "rt-old"},
        {"new token with a line break",
         route(body(R"({"code":"1000","userid":"u","sign":"s","timestamp":"t","rt":"ab\r\nmethod=x"})")),
         "success|u|s|t|u", "rt-old"},
        // The answer's size is capped: a hostile one must not fill the 32-bit process.
        {"answer at the cap", route(body(padded(kOkBody, kMaxFormAnswerBytes))), "success|u1|s1|t1|u1", "rt-new"},
        {"answer over the cap", route(body(padded(kOkBody, kMaxFormAnswerBytes + 1))), "faild", "rt-old"},
    };
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(c.name);
        setSavedLoginValue("tg_rt", "rt-old");
        scriptReloginService(c.routes);
        EXPECT_EQ(relogin("loginTelegramSilent"), c.result);
        EXPECT_EQ(getSavedLoginValue("tg_rt"), c.savedAfter);
        EXPECT_EQ(getSavedLoginValue("method"), "") << "a re-login never writes the method";
        EXPECT_EQ(reloginRequests().size(), 1u);
    }
}

TEST_F(SilentReloginTest, PostsTheEscapedTokenAsAForm) {
    setSavedLoginValue("gg_rt", "a b+c/d=e&f");
    setSavedLoginValue("tg_rt", "telegram-token");
    scriptReloginService(route(body(kOkBody)));
    EXPECT_EQ(relogin("loginGoogleSilent"), "success|u1|s1|t1|u1");

    const std::vector<LoggedRequest> requests = reloginRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].scheme, "https");
    EXPECT_EQ(requests[0].path, "/app_relogin.php");
    EXPECT_EQ(requests[0].contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].body, "rt=a%20b%2Bc%2Fd%3De%26f");
    EXPECT_EQ(getSavedLoginValue("gg_rt"), "rt-new");
    EXPECT_EQ(getSavedLoginValue("tg_rt"), "telegram-token") << "only the method's own token changes";
}

TEST_F(SilentReloginTest, NoSavedTokenSendsNothing) {
    scriptReloginService(route(body(kOkBody)));
    setSavedLoginValue("gg_rt", "google-only");
    EXPECT_EQ(relogin("loginTelegramSilent"), "faild");
    EXPECT_TRUE(reloginRequests().empty());
}

TEST_F(SilentReloginTest, RedirectsAreFollowedToHttpsOnly) {
    // The fixture's port speaks both schemes: the plain one must never be asked.
    setSavedLoginValue("tg_rt", "rt-old");
    scriptReloginService("{\"/app_relogin.php\": {\"status\": 302, \"headers\": {\"Location\": \"http://" +
                         std::string(RELOGIN_SERVICE_HOST) + "/app_relogin.php?plain=1\"}}}");
    EXPECT_EQ(relogin("loginTelegramSilent"), "faild");
    std::vector<LoggedRequest> requests = reloginRequests();
    ASSERT_EQ(requests.size(), 1u) << "the http target was not asked";
    EXPECT_EQ(requests[0].scheme, "https");
    EXPECT_EQ(getSavedLoginValue("tg_rt"), "rt-old");

    // 307 keeps the POST and its body; the https target answers.
    scriptReloginService("{\"/app_relogin.php\": {\"status\": 307, \"headers\": {\"Location\": \"https://" +
                         std::string(RELOGIN_SERVICE_HOST) + "/moved.php\"}}, \"/moved.php\": {" + body(kOkBody) +
                         "}}");
    EXPECT_EQ(relogin("loginTelegramSilent"), "success|u1|s1|t1|u1");
    requests = reloginRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].path, "/moved.php");
    EXPECT_EQ(requests[1].scheme, "https");
    EXPECT_EQ(requests[1].body, "rt=rt-old");
    EXPECT_EQ(getSavedLoginValue("tg_rt"), "rt-new");
}

TEST_F(SilentReloginTest, RedirectsAreFollowedOnlyToTheSameHostAndPort) {
    const std::string here = "https://127.0.0.1:" + std::to_string(fixturePort(2));
    const int otherPort = fixturePort(1);
    struct Case {
        const char* name;
        int status;
        std::string location;
        const char* result;
        size_t requests;  // that reached the service's port
    };
    const Case cases[] = {
        {"a path on the same host", 307, "/moved.php", "success|u1|s1|t1|u1", 2},
        {"the same host and port written out", 308, here + "/moved.php", "success|u1|s1|t1|u1", 2},
        // The same server under another name: it would get the token again.
        {"another host name, 307", 307, "https://localhost:" + std::to_string(fixturePort(2)) + "/moved.php",
         "faild", 1},
        {"another host name, 302", 302, "https://localhost:" + std::to_string(fixturePort(2)) + "/moved.php",
         "faild", 1},
        {"another port", 308, "https://127.0.0.1:" + std::to_string(otherPort) + "/moved.php", "faild", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setSavedLoginValue("tg_rt", "rt-old");
        scriptReloginService("{\"/app_relogin.php\": {" + redirect(c.status, c.location) + "}, \"/moved.php\": {" +
                             body(kOkBody) + "}}");
        scriptPortSite(otherPort, "{\"/moved.php\": {" + body(kOkBody) + "}}");
        EXPECT_EQ(relogin("loginTelegramSilent"), c.result);
        const std::vector<LoggedRequest> requests = reloginRequests();
        EXPECT_EQ(requests.size(), c.requests);
        if (requests.size() == 2) {
            EXPECT_EQ(requests[1].body, "rt=rt-old") << "the token went to its own service";
        }
        EXPECT_TRUE(portSiteRequests(otherPort).empty()) << "nothing is sent to another port";
        EXPECT_EQ(getSavedLoginValue("tg_rt"), std::string(c.result) == "faild" ? "rt-old" : "rt-new");
    }
}

TEST_F(SilentReloginTest, WithoutACallbackTheNewTokenIsStillSaved) {
    setSavedLoginValue("tg_rt", "rt-old");
    scriptReloginService(route(body(kOkBody)));
    for (const char* args : {"{}", "nil", "{'not a function'}"}) {
        SCOPED_TRACE(args);
        setSavedLoginValue("tg_rt", "rt-old");
        EXPECT_EQ(lua_.run(std::string("return zavu_native('PlatformQolavi', 'loginTelegramSilent', ") + args + ")"),
                  "true");
        EXPECT_EQ(getSavedLoginValue("tg_rt"), "rt-new");
    }
}

TEST_F(SilentReloginTest, TheServiceMustProveItsHostName) {
    // A certificate from the bundle's own CA, but issued for another host name.
    const std::string wrongName = "https://127.0.0.1:" + std::to_string(fixturePort(3)) + "/app_relogin.php";
    scriptPortSite(fixturePort(3), route(body(kOkBody)));
    const FormPostAnswer refused = httpPostForm(wrongName, "rt=secret");
    EXPECT_FALSE(refused.succeeded());
    EXPECT_EQ(refused.body, "");
    EXPECT_TRUE(portSiteRequests(fixturePort(3)).empty()) << "no request may pass a refused handshake";

    scriptReloginService(route(body(kOkBody)));
    const FormPostAnswer accepted =
        httpPostForm("https://127.0.0.1:" + std::to_string(fixturePort(2)) + "/app_relogin.php", "rt=secret");
    EXPECT_TRUE(accepted.succeeded()) << "the same request to the service's own name";
    EXPECT_EQ(accepted.body, kOkBody);
}

TEST_F(SilentReloginTest, AStalledServiceIsGivenUpAtTheTimeLimit) {
    setSavedLoginValue("tg_rt", "rt-old");
    // Headers, then nothing for longer than the limit.
    scriptReloginService(route(body(kOkBody) + ", \"cut_after\": 0, \"stall\": 40"));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(relogin("loginTelegramSilent"), "faild");
    const auto seconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count() /
        1000.0;
    EXPECT_GE(seconds, 19.0);
    EXPECT_LT(seconds, 30.0);
    EXPECT_EQ(getSavedLoginValue("tg_rt"), "rt-old");
}

TEST_F(SilentReloginTest, ACertificateOutsideTheBundleIsRefused) {
    setSavedLoginValue("tg_rt", "rt-old");
    scriptReloginService(route(body(kOkBody)));
    presentOnReloginPort(ReloginCertificate::FromAnotherCa);
    EXPECT_EQ(relogin("loginTelegramSilent"), "faild");
    EXPECT_EQ(getSavedLoginValue("tg_rt"), "rt-old");
    EXPECT_TRUE(reloginRequests().empty()) << "no request may pass a refused handshake";

    presentOnReloginPort(ReloginCertificate::Own);
    EXPECT_EQ(relogin("loginTelegramSilent"), "success|u1|s1|t1|u1") << "the same server with its own CA";
}

}  // namespace
