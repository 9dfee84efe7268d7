#include "proj.win32/HostPaths.h"

#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"

#include <cstdlib>
#include <vector>

namespace {

constexpr DWORD kFirstPathUnits = 260;     // MAX_PATH: enough for almost every install
constexpr DWORD kLongestPathUnits = 32768;  // the longest path Windows can hand out

// GetModuleFileNameW truncates silently and returns the buffer size, so grow
// until the result fits with room for its terminator.
std::wstring moduleFileName() {
    std::vector<wchar_t> buffer(kFirstPathUnits, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::wstring();
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        if (buffer.size() >= kLongestPathUnits) return std::wstring();
        buffer.assign(buffer.size() * 2, L'\0');
    }
}

}  // namespace

std::string getExecutablePath() { return wideToUtf8(moduleFileName()); }

std::string getExecutableDir() {
    std::string path = getExecutablePath();
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::string();
    return path.substr(0, slash);
}

std::string getExecutableDirAbsolute() {
    wchar_t buffer[260] = {};
    if (::GetModuleFileNameW(nullptr, buffer, 260) == 0) return std::string();
    std::wstring folder(buffer);
    const size_t slash = folder.rfind(L'\\');
    folder.resize(slash == std::wstring::npos ? 0 : slash);

    // wcstombs stops at the first character the start-up locale cannot express;
    // a partial folder would be a wrong folder, so give nothing instead.
    std::vector<char> narrow(2 * (folder.size() + 1) + 1, '\0');
    if (std::wcstombs(narrow.data(), folder.c_str(), narrow.size()) == static_cast<size_t>(-1)) return std::string();

    char absolute[260] = {};
    if (!_fullpath(absolute, narrow.data(), sizeof absolute)) return std::string();
    return absolute;
}
