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
        // Put the prefix's own handlers back (wine ships some for http and https).
        for (const Saved& s : saved) {
            if (!s.existed) {
                ::RegDeleteTreeW(HKEY_CLASSES_ROOT, s.scheme.c_str());
            } else {
                ::RegSetKeyValueW(HKEY_CLASSES_ROOT, (s.scheme + L"\\shell\\open\\command").c_str(), nullptr, REG_SZ,
                                  s.command.c_str(), static_cast<DWORD>((s.command.size() + 1) * sizeof(wchar_t)));
            }
        }
        WebWindowTest::TearDown();
    }
    // Wine resolves link schemes through HKEY_CLASSES_ROOT only (it does not
    // merge the user's Software\Classes), so the recorder goes there, in the
    // build's own test prefix.
    void registerRecorder(const std::wstring& scheme, const std::wstring& command) {
        Saved s{scheme, false, L""};
        HKEY existing = nullptr;
        if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, (scheme + L"\\shell\\open\\command").c_str(), 0, KEY_READ,
                            &existing) == ERROR_SUCCESS) {
            s.existed = true;
            wchar_t value[1024] = {};
            DWORD size = sizeof value - sizeof(wchar_t);
            if (::RegQueryValueExW(existing, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
                ERROR_SUCCESS)
                s.command = value;
            ::RegCloseKey(existing);
        } else {
            HKEY base = nullptr;
            if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, scheme.c_str(), 0, KEY_READ, &base) == ERROR_SUCCESS) {
                s.existed = true;  // a scheme key without a command: leave the key, drop only our command later
                ::RegCloseKey(base);
            }
        }
        saved.push_back(s);
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CLASSES_ROOT, scheme.c_str(), L"URL Protocol", REG_SZ, L"", sizeof(wchar_t)),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CLASSES_ROOT, (scheme + L"\\shell\\open\\command").c_str(), nullptr, REG_SZ,
                                    command.c_str(), static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
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
    struct Saved {
        std::wstring scheme;
        bool existed;
        std::wstring command;
    };
    std::vector<Saved> saved;
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
