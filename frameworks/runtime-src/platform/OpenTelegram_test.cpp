// "openTelegram" hands its link to the shell. Observed from outside: a link
// scheme of this test's own is registered in the test prefix for the
// recorder program, which writes down every link the shell gives it.
#include "platform/NativeBridgeTestSupport.h"
#include "platform/StorageTestSupport.h"

#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A scheme no other test uses: the registry of the prefix is shared.
const wchar_t kScheme[] = L"zavu-bridge-test-link";

class SchemeRegistration {
public:
    explicit SchemeRegistration(const std::wstring& command) {
        const std::wstring key = std::wstring(kScheme) + L"\\shell\\open\\command";
        ::RegSetKeyValueW(HKEY_CLASSES_ROOT, kScheme, L"URL Protocol", REG_SZ, L"", sizeof(wchar_t));
        ok_ = ::RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, command.c_str(),
                                static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    ~SchemeRegistration() { ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kScheme); }
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

std::string waitForRecord(const std::string& path) {
    for (int i = 0; i < 200; ++i) {  // up to 20 s: a new wine process starts slowly under load
        const std::string text = storagetest::readFile(path);
        if (!text.empty() && text.back() == '\n') return text;
        ::Sleep(100);
    }
    return std::string();
}

TEST(OpenTelegramTest, TheLinkReachesTheShellAsUtf16) {
    storagetest::WritableFolder folder("shell");
    const std::string record = folder.path() + "shell-record.txt";
    ::SetEnvironmentVariableW(L"WEBWINDOW_SHELL_RECORD", utf8ToWide(record).c_str());
    const std::wstring recorder = utf8ToWide(bridgetest::executableFolder()) + L"shell_recorder.exe";
    SchemeRegistration scheme(L"\"" + recorder + L"\" \"%1\"");
    ASSERT_TRUE(scheme.ok());

    bridgetest::BridgeLua lua;
    const std::string link = "zavu-bridge-test-link:chat?name=H\xE1\xBA\xA3i";
    EXPECT_EQ(lua.run("return zavu_native('PlatformQolavi', 'openTelegram', {'" + link + "'})"), "true");
    EXPECT_EQ(waitForRecord(record), link + "\n");
}

}  // namespace
