#include "platform/webwindow/ShellLinks.h"

#include <cwctype>

namespace {

bool startsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, std::char_traits<wchar_t>::length(prefix), prefix) == 0;
}

// A scheme handler is started as `program "%1"`: a quote ends the argument, a
// blank or a control character can split it, so none of them may pass.
bool isUnsafe(wchar_t c) {
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) return true;  // C0, DEL, C1
    if (c == L'"' || c == L'\'') return true;
    if (c == L' ' || c == 0x00A0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 ||
        c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000 || c == 0xFEFF)
        return true;
    return false;
}

}  // namespace

bool isTelegramSchemeLink(const std::wstring& uri) { return startsWith(uri, L"tg:"); }

bool isWebLink(const std::wstring& uri) {
    const std::wstring::size_type colon = uri.find(L':');
    if (colon == std::wstring::npos || uri.compare(colon, 3, L"://") != 0) return false;
    std::wstring scheme = uri.substr(0, colon);
    for (wchar_t& c : scheme) c = static_cast<wchar_t>(std::towlower(c));
    return scheme == L"http" || scheme == L"https";
}

ShellLinkVerdict checkShellLink(const std::wstring& uri) {
    if (!isTelegramSchemeLink(uri) && !isWebLink(uri)) return ShellLinkVerdict::NotALink;
    if (uri.size() > kMaxShellLinkLength) return ShellLinkVerdict::TooLong;
    for (const wchar_t c : uri)
        if (isUnsafe(c)) return ShellLinkVerdict::UnsafeCharacter;
    return ShellLinkVerdict::Allowed;
}

const char* shellLinkRefusal(ShellLinkVerdict verdict) {
    switch (verdict) {
    case ShellLinkVerdict::Allowed: return "hop le";
    case ShellLinkVerdict::NotALink: return "khong phai lien ket tg: hay http(s)";
    case ShellLinkVerdict::UnsafeCharacter: return "co ky tu dieu khien, dau nhay hoac khoang trang";
    case ShellLinkVerdict::TooLong: return "qua dai";
    }
    return "khong ro";
}
