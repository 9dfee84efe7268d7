#include "platform/OpenUrlExternally.h"

#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"

void openUrlExternally(const std::string& utf8Url) {
    if (utf8Url.empty()) return;
    const std::wstring url = utf8ToWide(utf8Url);
    if (url.empty()) return;
    ::ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
