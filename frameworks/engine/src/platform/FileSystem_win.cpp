// File-system primitives on the wide-character Win32 API.
//
// Paths of 248 units or more (CreateDirectoryW's limit) take their long form
// (platform/LongPath.h), so deep update folders work.
#include "platform/FileSystem.h"

#include "platform/LongPath.h"
#include "platform/ScopedHandle_win.h"
#include "platform/Utf16_win.h"

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <climits>

namespace cocos2d {
namespace fs {

namespace {

constexpr DWORD kIoChunk = 1 << 20; // ReadFile/WriteFile take a DWORD; stay well below it

bool isSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

std::wstring widePath(const std::string& path) { return longPathForm(win32::utf8ToWide(path)); }

bool attributes(const std::string& path, DWORD* attrs) {
    if (path.empty()) return false;
    const DWORD a = ::GetFileAttributesW(widePath(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return false;
    *attrs = a;
    return true;
}

// Strips trailing separators (but keeps "C:\" and "\").
std::wstring withoutTrailingSeparators(std::wstring p) {
    while (p.size() > 1 && isSeparator(p.back()) && !(p.size() == 3 && p[1] == L':')) p.pop_back();
    return p;
}

bool writeAll(HANDLE file, const unsigned char* bytes, size_t size) {
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, kIoChunk));
        DWORD written = 0;
        if (!::WriteFile(file, bytes, chunk, &written, nullptr) || written == 0) return false;
        bytes += written;
        size -= written;
    }
    return true;
}

bool removeTreeWide(const std::wstring& dir) {
    bool ok = true;
    {
        win32::ScopedFindHandle find;
        WIN32_FIND_DATAW data;
        find.reset(::FindFirstFileW((dir + L"\\*").c_str(), &data));
        if (find) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..") continue;
                // A short folder's children may pass the length where plain paths fail.
                const std::wstring child = longPathForm(dir + L"\\" + name);
                const DWORD a = data.dwFileAttributes;
                if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT)) {
                    ok = removeTreeWide(child) && ok;
                } else if (a & FILE_ATTRIBUTE_DIRECTORY) {
                    ok = ::RemoveDirectoryW(child.c_str()) && ok; // a junction: remove the link only
                } else {
                    if (a & FILE_ATTRIBUTE_READONLY) ::SetFileAttributesW(child.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
                    ok = ::DeleteFileW(child.c_str()) && ok;
                }
            } while (::FindNextFileW(find.get(), &data));
        }
    }
    return ::RemoveDirectoryW(dir.c_str()) && ok;
}

std::string toForwardSlashes(std::string s) {
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

// The executable's full path; the buffer grows past MAX_PATH when needed.
std::wstring executablePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 8; ++attempt) { // 260 units up to 33280: past the 32767 limit
        const DWORD n = ::GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::wstring();
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
    return std::wstring();
}

// "/"-separated, with a trailing "/"; "" when unknown.
std::string executableDirectory() {
    const std::string path = toForwardSlashes(win32::wideToUtf8(executablePath()));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

bool isRegularFile(const std::string& path) {
    DWORD a = 0;
    return attributes(path, &a) && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool isDirectory(const std::string& path) {
    DWORD a = 0;
    return attributes(path, &a) && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool readFile(const std::string& path, std::vector<unsigned char>* out) {
    out->clear();
    if (path.empty()) return false;
    win32::ScopedFileHandle file(::CreateFileW(widePath(path).c_str(), GENERIC_READ,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return false;
    if (static_cast<unsigned long long>(size.QuadPart) > static_cast<unsigned long long>(SIZE_MAX / 2)) return false;
    out->resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < out->size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(out->size() - done, kIoChunk));
        DWORD got = 0;
        if (!::ReadFile(file.get(), out->data() + done, chunk, &got, nullptr)) {
            out->clear();
            return false;
        }
        if (got == 0) break; // shrank while we read: keep what is there
        done += got;
    }
    out->resize(done);
    return true;
}

bool writeFileAtomic(const std::string& path, const void* bytes, size_t size) {
    if (path.empty() || (size > 0 && !bytes)) return false;
    static std::atomic<unsigned> counter{0};
    const std::wstring target = widePath(path);
    const std::wstring temp = target + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." +
                              std::to_wstring(counter.fetch_add(1)) + L".tmp";
    {
        win32::ScopedFileHandle file(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        // Flushed before the rename: after a power cut NTFS may have committed
        // the rename but not the data, and the good file would be gone.
        if (!writeAll(file.get(), static_cast<const unsigned char*>(bytes), size) ||
            !::FlushFileBuffers(file.get())) {
            file.reset();
            ::DeleteFileW(temp.c_str());
            return false;
        }
    }
    if (!::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ::DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

bool createDirectories(const std::string& path) {
    if (path.empty()) return false;
    std::wstring p = win32::utf8ToWide(path);
    std::replace(p.begin(), p.end(), L'/', L'\\');
    p = withoutTrailingSeparators(p);

    // Skip the parts that cannot be created: "C:\", "\\server\share\".
    size_t pos = 0;
    if (p.size() >= 2 && p[1] == L':') {
        pos = 2;
    } else if (p.compare(0, 2, L"\\\\") == 0) {
        pos = p.find(L'\\', 2);
        pos = pos == std::wstring::npos ? p.size() : p.find(L'\\', pos + 1);
        if (pos == std::wstring::npos) pos = p.size();
    }
    while (pos < p.size()) {
        size_t next = p.find(L'\\', pos + 1);
        if (next == std::wstring::npos) next = p.size();
        const std::wstring prefix = p.substr(0, next);
        if (!prefix.empty() && !isSeparator(prefix.back())) {
            const std::wstring longPrefix = longPathForm(prefix);
            // Exists already (or a race made it): fine; the final check decides.
            ::CreateDirectoryW(longPrefix.c_str(), nullptr);
        }
        pos = next;
    }
    return isDirectory(path);
}

bool removeTree(const std::string& path) {
    if (path.empty() || !isDirectory(path)) return false;
    std::wstring p = win32::utf8ToWide(path);
    std::replace(p.begin(), p.end(), L'/', L'\\');
    return removeTreeWide(longPathForm(withoutTrailingSeparators(p)));
}

bool removeFile(const std::string& path) {
    if (path.empty()) return false;
    return ::DeleteFileW(widePath(path).c_str()) != 0;
}

bool renameReplacing(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty()) return false;
    return ::MoveFileExW(widePath(from).c_str(), widePath(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

long long fileSize(const std::string& path) {
    if (path.empty()) return -1;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(widePath(path).c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string currentDirectory() {
    DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return std::string();
    std::wstring buffer(needed, L'\0');
    DWORD n = ::GetCurrentDirectoryW(needed, &buffer[0]);
    if (n == 0 || n >= needed) return std::string();
    buffer.resize(n);
    std::string dir = toForwardSlashes(win32::wideToUtf8(buffer));
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}

std::string defaultWritablePath() {
    const std::string exeDir = executableDirectory();
    wchar_t appData[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) return exeDir;

    // The folder is named after the executable without its extension.
    const std::wstring exe = executablePath();
    const size_t slash = exe.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? exe : exe.substr(slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    if (name.empty()) return exeDir;

    const std::string dir = toForwardSlashes(win32::wideToUtf8(appData)) + "/" + win32::wideToUtf8(name) + "/";
    return createDirectories(dir) ? dir : exeDir;
}

} // namespace fs
} // namespace cocos2d
