// UTF-8 <-> UTF-16 through the Win32 converters, sized in two passes.
#include "platform/Utf16_win.h"

#include "platform/Windows_win.h"

#include <climits>

namespace cocos2d {
namespace win32 {

std::wstring utf8ToWide(const std::string& utf8) {
    if (utf8.empty() || utf8.size() > static_cast<size_t>(INT_MAX)) return std::wstring();
    const int inLen = static_cast<int>(utf8.size());
    const int outLen = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLen, nullptr, 0);
    if (outLen <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(outLen), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLen, &out[0], outLen);
    return out;
}

std::string wideToUtf8(const std::wstring& wide) {
    if (wide.empty() || wide.size() > static_cast<size_t>(INT_MAX)) return std::string();
    const int inLen = static_cast<int>(wide.size());
    const int outLen = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLen, nullptr, 0, nullptr, nullptr);
    if (outLen <= 0) return std::string();
    std::string out(static_cast<size_t>(outLen), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLen, &out[0], outLen, nullptr, nullptr);
    return out;
}

std::string wideToUtf8(const wchar_t* wide) {
    return wide ? wideToUtf8(std::wstring(wide)) : std::string();
}

} // namespace win32
} // namespace cocos2d
