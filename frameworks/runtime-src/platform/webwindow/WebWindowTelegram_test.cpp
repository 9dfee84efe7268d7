// Telegram links leave the view for the shell. Observed from outside: a
// recorder program is registered for the link schemes in the test prefix,
// and writes down every link the shell hands it.
#include "platform/webwindow/ShellLinks.h"
#include "platform/webwindow/ShellRecorderTestSupport.h"
#include "platform/webwindow/WebWindowTestSupport.h"

#include "proj.win32/TextConversion.h"

#include <algorithm>
#include <memory>

using namespace webwindow_testing;

namespace {

class TelegramLinks : public WebWindowTest {
protected:
    void SetUp() override {
        WebWindowTest::SetUp();
        shell = std::make_unique<shelltest::RecordedShell>(appData.path() + L"\\shell-record.txt");
        for (const wchar_t* scheme : {L"tg", L"https", L"http", L"ftp"}) ASSERT_TRUE(shell->handleScheme(scheme));
    }
    void TearDown() override {
        shell.reset();
        WebWindowTest::TearDown();
    }
    std::unique_ptr<shelltest::RecordedShell> shell;
};

}  // namespace

TEST_F(TelegramLinks, OnlyTelegramAndWebLinksReachTheShell) {
    openReady("https://pay.example.test/a");
    const std::wstring domain = utf8ToWide(TELEGRAM_WEB_DOMAIN);
    const std::wstring longest = L"tg://resolve?domain=" + std::wstring(kMaxShellLinkLength - 20, L'a');
    const struct {
        std::wstring uri;
        int cancelled;
    } refused[] = {
        {L"TG:resolve?domain=x", 0},                        // the Telegram rule is case-sensitive
        {L"https://pay.example.test/b", 0},                 // an ordinary page
        {L"https://" + domain + L"x/a", 0},                 // a longer domain
        {L"ftp://" + domain + L"/file", 1},                 // the rule matches, the scheme is no web link
        {L"javascript://" + domain + L"/%0aalert(1)", 1},   // same, and never handed on
        // Nothing that could add to the arguments of the program a handler starts.
        {L"tg://resolve?domain=a b", 1},
        {L"tg://resolve?domain=a\" --argument \"b", 1},
        {L"tg://resolve?domain=a'b", 1},
        {L"tg://resolve?domain=a\tb", 1},
        {L"tg://resolve?domain=a\nb", 1},
        {L"tg://resolve?domain=a\u00A0b", 1},
        {L"https://" + domain + L"/a\u3000b", 1},
        {L"https://" + domain + L"/a\"b", 1},
        {longest + L"a", 1},                                // one unit too long
    };
    for (const auto& c : refused)
        EXPECT_EQ(api.raiseNavigationStarting(c.uri.c_str()), c.cancelled) << wideToUtf8(c.uri).substr(0, 80);

    const std::wstring handed[] = {
        L"tg://resolve?domain=zavu",
        L"https://" + domain + L"/zavu_group",
        L"HTTP://" + domain + L"/upper",
        L"https://pay.example.test/go?to=https://" + domain + L"/x",
        longest,
    };
    for (const auto& uri : handed) EXPECT_EQ(api.raiseNavigationStarting(uri.c_str()), 1) << wideToUtf8(uri).substr(0, 80);

    std::vector<std::string> expected;
    for (const auto& uri : handed) expected.push_back(wideToUtf8(uri));
    std::sort(expected.begin(), expected.end());
    ASSERT_TRUE(shell->waitFor(expected.size(), 30000)) << "links reached the shell";
    pumpFor(1500);  // time for a wrongly handed link to show up too
    EXPECT_EQ(shell->recorded(), expected);
    EXPECT_TRUE(visible());
    EXPECT_EQ(lastNavigation(log()), L"https://pay.example.test/a") << "the view itself went nowhere";
}
