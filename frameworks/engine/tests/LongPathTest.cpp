// The long form of file paths, on the system's own path rules.
#include "platform/LongPath.h"

#include "platform/Windows_win.h"

#include <gtest/gtest.h>

#include <string>

using cocos2d::fs::kLongPathThreshold;
using cocos2d::fs::longPathForm;

namespace {

// Folders named "dir00\dir01\..." in the given separator, at least n units.
std::wstring deepFolders(size_t n, wchar_t separator) {
    std::wstring s;
    for (int i = 0; s.size() < n; ++i) {
        s += L"dir" + std::to_wstring(100 + i);
        s += separator;
    }
    return s;
}

std::wstring currentDirectory() {
    wchar_t buffer[4096];
    const DWORD n = ::GetCurrentDirectoryW(4096, buffer);
    std::wstring dir(buffer, n);
    if (dir.back() != L'\\') dir += L'\\';
    return dir;
}

} // namespace

TEST(LongPath, TableOfPaths) {
    const std::wstring deep = deepFolders(300, L'\\');
    const std::wstring deepSlashed = deepFolders(300, L'/');
    const std::wstring viet = L"Tr\u00f2 ch\u01a1i H\u1ea3i V\u00e2n\\\u0110\u1ed3 h\u1ecda\\";
    struct Case {
        const char* what;
        std::wstring path;
        std::wstring expected;
    } cases[] = {
        {"short drive path", L"C:\\game\\data\\a.txt", L"C:\\game\\data\\a.txt"},
        {"short, forward slashes, dots: the system's own rules apply", L"C:/game/./x/../a.txt",
         L"C:/game/./x/../a.txt"},
        {"just below the threshold", L"C:\\" + std::wstring(kLongPathThreshold - 4, L'a'),
         L"C:\\" + std::wstring(kLongPathThreshold - 4, L'a')},
        {"at the threshold", L"C:\\" + std::wstring(kLongPathThreshold - 3, L'a'),
         L"\\\\?\\C:\\" + std::wstring(kLongPathThreshold - 3, L'a')},
        {"long drive path", L"C:\\" + deep + L"a.txt", L"\\\\?\\C:\\" + deep + L"a.txt"},
        {"long folder keeps its trailing separator", L"D:\\" + deep, L"\\\\?\\D:\\" + deep},
        {"forward slashes", L"C:/" + deepSlashed + L"a.txt", L"\\\\?\\C:\\" + deep + L"a.txt"},
        {"mixed separators", L"Z:/" + deep + L"b/c.txt", L"\\\\?\\Z:\\" + deep + L"b\\c.txt"},
        {"dot and dot-dot parts", L"C:\\a\\.\\b\\..\\" + deep + L".\\x\\..\\a.txt", L"\\\\?\\C:\\a\\" + deep + L"a.txt"},
        {"network path", L"\\\\server\\share\\" + deep + L"a.txt", L"\\\\?\\UNC\\server\\share\\" + deep + L"a.txt"},
        {"network path with forward slashes", L"//server/share/" + deepSlashed + L"a.txt",
         L"\\\\?\\UNC\\server\\share\\" + deep + L"a.txt"},
        {"already long", L"\\\\?\\C:\\" + deep + L"a.txt", L"\\\\?\\C:\\" + deep + L"a.txt"},
        {"already long network path", L"\\\\?\\UNC\\server\\share\\" + deep,
         L"\\\\?\\UNC\\server\\share\\" + deep},
        {"device path", L"\\\\.\\C:\\" + deep + L"a.txt", L"\\\\.\\C:\\" + deep + L"a.txt"},
        {"device path, forward slashes", L"//./C:/" + deepSlashed, L"//./C:/" + deepSlashed},
        {"object-manager path", L"\\??\\C:\\" + deep + L"a.txt", L"\\??\\C:\\" + deep + L"a.txt"},
        {"Vietnamese letters", L"C:\\" + viet + deep + L"t\u1ec7p.txt", L"\\\\?\\C:\\" + viet + deep + L"t\u1ec7p.txt"},
        {"relative path", deep + L"a.txt", L"\\\\?\\" + currentDirectory() + deep + L"a.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(longPathForm(c.path), c.expected);
    }
}
