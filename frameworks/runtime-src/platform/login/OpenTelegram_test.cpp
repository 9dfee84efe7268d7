// "openTelegram" hands its link to the shell, and only a link. Observed from
// outside: the prefix's handlers for "tg", the web schemes and a file type of
// this test's own start the recorder program, which writes down every
// argument the shell gives it.
#include "platform/login/LoginTestSupport.h"
#include "platform/webwindow/ShellLinks.h"
#include "platform/webwindow/ShellRecorderTestSupport.h"
#include "platform/storage/StorageTestSupport.h"

#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// A Lua string literal of any bytes.
std::string luaLiteral(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\%03u", c);
        out += escaped;
    }
    return out + "\"";
}

class OpenTelegramTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const wchar_t* scheme : {L"tg", L"https", L"http"}) ASSERT_TRUE(shell.handleScheme(scheme));
        ASSERT_TRUE(shell.handleExtension(kExtension));
    }
    std::string open(const std::string& link) {
        return lua.run("return zavu_native('PlatformQolavi', 'openTelegram', {" + luaLiteral(link) + "})");
    }

    static constexpr const wchar_t* kExtension = L".zavu-shell-test";
    storagetest::WritableFolder folder{"shell"};
    shelltest::RecordedShell shell{utf8ToWide(folder.path()) + L"shell-record.txt"};
    logintest::DispatchLua lua;
};

TEST_F(OpenTelegramTest, TheLinkReachesTheShellAsUtf16) {
    const std::string link = "tg://resolve?domain=H\xE1\xBA\xA3i";
    EXPECT_EQ(open(link), "true");
    ASSERT_TRUE(shell.waitFor(1, 20000));  // a new wine process starts slowly under load
    EXPECT_EQ(shell.recorded(), std::vector<std::string>{link});
}

TEST_F(OpenTelegramTest, OnlyTelegramAndWebLinksAreHandedOver) {
    // A file the shell would open with the recorder, were it given the path.
    const std::string file = folder.path() + "run-me.zavu-shell-test";
    storagetest::writeFile(file, "x");
    std::string fileUrl = "file:///" + file;
    std::replace(fileUrl.begin(), fileUrl.end(), '\\', '/');
    const std::string longest = "tg://resolve?domain=" + std::string(kMaxShellLinkLength - 20, 'a');

    const std::string refused[] = {
        file,                                    // a local path
        fileUrl,                                 // the same as a file URL
        "\\\\127.0.0.1\\share\\setup.exe",       // a program on a share
        "ftp://t.me/file",                       // another scheme
        "TG:resolve?domain=x",                   // the Telegram rule is case-sensitive
        "https:t.me/x",                          // not a URL
        "tg://resolve?domain=a b",               // a blank
        "tg://resolve?domain=a\" \"" + file,     // quotes that would start a second argument
        "tg://resolve?domain=a'b",
        "tg://resolve?domain=a\tb",
        "tg://resolve?domain=a\x7f",
        "https://t.me/a\xC2\xA0" "b",            // a no-break space
        longest + "a",                           // one unit too long
    };
    for (const std::string& link : refused) {
        SCOPED_TRACE(link.substr(0, 80));
        EXPECT_EQ(open(link), "true") << "the result stays true";
    }
    const std::string handed[] = {
        "tg://resolve?domain=zavu",
        "https://t.me/zavu_group",
        "HTTP://t.me/upper",
        longest,
    };
    for (const std::string& link : handed) EXPECT_EQ(open(link), "true");

    std::vector<std::string> expected(std::begin(handed), std::end(handed));
    std::sort(expected.begin(), expected.end());
    ASSERT_TRUE(shell.waitFor(expected.size(), 30000)) << "the links reached the shell";
    ::Sleep(1500);  // time for a wrongly handed link to show up too
    EXPECT_EQ(shell.recorded(), expected);
}

}  // namespace
