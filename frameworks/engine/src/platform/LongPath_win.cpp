#include "platform/LongPath.h"

#include "platform/Windows_win.h"

namespace cocos2d {
namespace fs {

namespace {

// "\\?\" and "\\.\" (and the forward-slash spellings GetFullPathNameW turns
// into them), "\??\": names the system takes as they are. Prefixing one again
// would make it a network path.
bool isDeviceOrLongForm(const std::wstring& p) {
    if (p.size() < 4) return false;
    const bool sep0 = p[0] == L'\\' || p[0] == L'/';
    const bool sep1 = p[1] == L'\\' || p[1] == L'/';
    const bool sep3 = p[3] == L'\\' || p[3] == L'/';
    if (sep0 && sep1 && (p[2] == L'?' || p[2] == L'.') && sep3) return true;
    return p.compare(0, 4, L"\\??\\") == 0;
}

} // namespace

std::wstring longPathForm(const std::wstring& path) {
    if (path.size() < kLongPathThreshold || isDeviceOrLongForm(path)) return path;
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    const DWORD written = ::GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (written == 0 || written >= needed) return path;
    full.resize(written);
    if (isDeviceOrLongForm(full)) return full;
    if (full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\') return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

} // namespace fs
} // namespace cocos2d
