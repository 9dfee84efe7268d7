#include "platform/login/OpenUrlExternally.h"

#include "platform/webwindow/ShellLinks.h"

#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"

#include "base/CCConsole.h"

void openUrlExternally(const std::string& utf8Url) {
    if (utf8Url.empty()) return;
    const std::wstring url = utf8ToWide(utf8Url);
    if (url.empty()) return;
    const ShellLinkVerdict verdict = checkShellLink(url);
    if (verdict != ShellLinkVerdict::Allowed) {
        // The link itself stays out of the log: it is the game's (or a page's) data.
        cocos2d::log("[ZAVU] openTelegram: tu choi lien ket (%s, %u ky tu)", shellLinkRefusal(verdict),
                     static_cast<unsigned>(url.size()));
        return;
    }
    ::ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
