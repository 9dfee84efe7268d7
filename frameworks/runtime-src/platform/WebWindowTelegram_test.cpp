// Telegram links leave the view for the shell. Observed from outside: a
// recorder program is registered for the link schemes in the test prefix,
// and writes down every link the shell hands it.
#include "platform/WebWindowTestSupport.h"

#include "proj.win32/TextConversion.h"

#include <algorithm>
#include <fstream>
#include <sstream>

using namespace webwindow_testing;

namespace {

class TelegramLinks : public WebWindowTest {
protected:
    void SetUp() override {
        WebWindowTest::SetUp();
        wchar_t exe[MAX_PATH];
        ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring folder(exe);
        folder.resize(folder.find_last_of(L'\\') + 1);
        record = appData.path() + L"\\shell-record.txt";
        ::_wputenv((L"WEBWINDOW_SHELL_RECORD=" + record).c_str());
        ::SetEnvironmentVariableW(L"WEBWINDOW_SHELL_RECORD", record.c_str());
        for (const wchar_t* scheme : kSchemes) registerRecorder(scheme, L"\"" + folder + L"shell_recorder.exe\" \"%1\"");
    }
    void TearDown() override {
        for (const wchar_t* scheme : kSchemes)
            ::RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\Classes\\") + scheme).c_str());
        WebWindowTest::TearDown();
    }
    static void registerRecorder(const std::wstring& scheme, const std::wstring& command) {
        HKEY key = nullptr;
        const std::wstring base = L"Software\\Classes\\" + scheme;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, base.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExW(key, L"URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
        ::RegCloseKey(key);
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (base + L"\\shell\\open\\command").c_str(), 0, nullptr, 0,
                                    KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                         static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }
    std::vector<std::string> recorded() const {
        std::ifstream in(record.c_str(), std::ios::binary);
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(in, line)) lines.push_back(line);
        std::sort(lines.begin(), lines.end());
        return lines;
    }
    static constexpr const wchar_t* kSchemes[] = {L"tg", L"https", L"http", L"ftp"};
    std::wstring record;
};

}  // namespace

TEST_F(TelegramLinks, OnlyTelegramAndWebLinksReachTheShell) {
    openReady("https://pay.example.test/a");
    const std::wstring domain = utf8ToWide(TELEGRAM_WEB_DOMAIN);
    const struct {
        std::wstring uri;
        int cancelled;
    } refused[] = {
        {L"TG:resolve?domain=x", 0},                        // the Telegram rule is case-sensitive
        {L"https://pay.example.test/b", 0},                 // an ordinary page
        {L"https://" + domain + L"x/a", 0},                 // a longer domain
        {L"ftp://" + domain + L"/file", 1},                 // the rule matches, the scheme is no web link
        {L"javascript://" + domain + L"/%0aalert(1)", 1},   // same, and never handed on
    };
    for (const auto& c : refused) EXPECT_EQ(api.raiseNavigationStarting(c.uri.c_str()), c.cancelled) << wideToUtf8(c.uri);

    const std::wstring handed[] = {
        L"tg://resolve?domain=zavu",
        L"https://" + domain + L"/zavu_group",
        L"HTTP://" + domain + L"/upper",
        L"https://pay.example.test/go?to=https://" + domain + L"/x",
    };
    for (const auto& uri : handed) EXPECT_EQ(api.raiseNavigationStarting(uri.c_str()), 1) << wideToUtf8(uri);

    std::vector<std::string> expected;
    for (const auto& uri : handed) expected.push_back(wideToUtf8(uri));
    std::sort(expected.begin(), expected.end());
    ASSERT_TRUE(pumpUntil([&] { return recorded().size() >= expected.size(); }, 30000)) << "links reached the shell";
    pumpFor(1500);  // time for a wrongly handed link to show up too
    EXPECT_EQ(recorded(), expected);
    EXPECT_TRUE(visible());
    EXPECT_EQ(lastNavigation(log()), L"https://pay.example.test/a") << "the view itself went nowhere";
}
