// The geometry file: where the user last left the web window, as
// "left top width height" of its outer rectangle in "%LOCALAPPDATA%\ZAVU\paywin.txt".
// Read only when the window is created; written, to a temporary name renamed
// into place, only at the end of a user move or resize. A missing, malformed,
// too small or off-screen record is ignored.
#include "platform/webwindow/WebWindowState.h"

#include "proj.win32/ScopedHandle.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kMinimumSide = 300;  // smaller than this and the toolbar and page no longer fit

ScopedStdioFile openFile(const std::wstring& path, const wchar_t* mode) {
    return ScopedStdioFile(::_wfopen(path.c_str(), mode));
}

}  // namespace

std::wstring geometryFilePath() {
    const wchar_t* base = ::_wgetenv(L"LOCALAPPDATA");
    if (!base) return std::wstring();
    const std::wstring folder = std::wstring(base) + L"\\ZAVU";
    ::CreateDirectoryW(folder.c_str(), nullptr);  // "already exists" is fine; a real failure shows at the open
    return folder + L"\\paywin.txt";
}

bool loadWindowGeometry(int& x, int& y, int& width, int& height) {
    const std::wstring path = geometryFilePath();
    if (path.empty()) return false;
    int values[4] = {};
    {
        ScopedStdioFile file = openFile(path, L"r");
        if (!file) return false;
        if (::fwscanf(file.get(), L"%d %d %d %d", &values[0], &values[1], &values[2], &values[3]) != 4) return false;
    }
    if (values[2] < kMinimumSide || values[3] < kMinimumSide) return false;
    // Computed in 64 bits: a hostile file must not overflow the right or bottom edge.
    const long long right = static_cast<long long>(values[0]) + values[2];
    const long long bottom = static_cast<long long>(values[1]) + values[3];
    if (right > 0x7FFFFFFF || bottom > 0x7FFFFFFF) return false;
    const RECT rect = {values[0], values[1], static_cast<LONG>(right), static_cast<LONG>(bottom)};
    if (!::MonitorFromRect(&rect, MONITOR_DEFAULTTONULL)) return false;
    x = values[0];
    y = values[1];
    width = values[2];
    height = values[3];
    return true;
}

void saveWindowGeometry(HWND w) {
    RECT rect;
    if (!w || ::IsIconic(w) || !::GetWindowRect(w, &rect)) return;
    const std::wstring path = geometryFilePath();
    if (path.empty()) return;
    // Written beside the file and renamed over it, so a cut write never
    // replaces the last good record. Failures are silent: the next move tries again.
    const std::wstring temp = path + L".tmp";
    {
        ScopedStdioFile file = openFile(temp, L"w");
        if (!file) return;
        const int written = ::fwprintf(file.get(), L"%d %d %d %d", static_cast<int>(rect.left),
                                       static_cast<int>(rect.top), static_cast<int>(rect.right - rect.left),
                                       static_cast<int>(rect.bottom - rect.top));
        const bool flushed = std::fflush(file.get()) == 0;
        if (written <= 0 || !flushed) {
            file.reset();
            ::DeleteFileW(temp.c_str());
            return;
        }
    }
    if (!::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) ::DeleteFileW(temp.c_str());
}
