#include "proj.win32/CaBundle.h"
#include "proj.win32/HostPaths.h"
#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

TEST(HostPaths, ExecutableDirUsesSlashesAndNoTrailingSeparator) {
    const std::string path = getExecutablePath();
    const std::string dir = getExecutableDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.find('\\'), std::string::npos);
    EXPECT_NE(dir.back(), '/');
    std::string slashed = path;
    for (char& c : slashed) {
        if (c == '\\') c = '/';
    }
    EXPECT_EQ(slashed.rfind(dir + "/", 0), 0u) << path;
}

TEST(HostPaths, CaBundleSitsBesideTheExecutable) {
    const std::string ca = getCaBundlePath();
    const std::string exe = getExecutablePath();
    const size_t cut = exe.find_last_of("\\/") + 1;
    EXPECT_EQ(ca, exe.substr(0, cut) + "cacert.pem");  // an ASCII build folder: ANSI and UTF-8 agree
}

TEST(TextConversion, RoundTripsVietnamese) {
    const std::string utf8 = "H\xe1\xba\xa3i V\xc3\xa2n Truy\xe1\xbb\x87n";
    const std::wstring wide = utf8ToWide(utf8);
    EXPECT_EQ(wide, L"H\u1ea3i V\u00e2n Truy\u1ec7n");
    EXPECT_EQ(wideToUtf8(wide), utf8);
    EXPECT_EQ(wideToUtf8(L""), "");
    EXPECT_EQ(utf8ToWide(""), L"");
}

TEST(TextConversion, AnsiFormUsesTheAnsiCodePage) {
    // The tests run with the code page 1252 (wine takes it from the C.UTF-8 locale).
    ASSERT_EQ(::GetACP(), 1252u);
    EXPECT_EQ(wideToAnsi(L"C:\\Tr\u00f2 ch\u00e2u\\cacert.pem"), "C:\\Tr\xf2 ch\xe2u\\cacert.pem");
    EXPECT_EQ(wideToAnsi(L""), "");
}

TEST(TextConversion, AllocatedFormIsZeroFilledAndFreeable) {
    char* text = wideToUtf8Alloc(L"\u1ec7\u1ec7");  // two units, three bytes each
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "\xe1\xbb\x87\xe1\xbb\x87");
    std::free(text);
    char* empty = wideToUtf8Alloc(L"");
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "");
    std::free(empty);
}
