// Test fixture helpers on the wide-character Win32 API.
#include "TempDir.h"

#include "platform/Utf16_win.h"
#include "platform/ScopedHandle_win.h"

#include <atomic>
#include <stdexcept>

using cocos2d::win32::utf8ToWide;
using cocos2d::win32::wideToUtf8;

namespace enginetest {

namespace {

void removeTreeW(const std::wstring& dir) {
    WIN32_FIND_DATAW data;
    cocos2d::win32::ScopedFindHandle find(::FindFirstFileW((dir + L"\\*").c_str(), &data));
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = dir + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTreeW(child);
            else ::DeleteFileW(child.c_str());
        } while (::FindNextFileW(find.get(), &data));
    }
    ::RemoveDirectoryW(dir.c_str());
}

std::string forward(std::string s) {
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

} // namespace

TempDir::TempDir(const std::string& leaf) {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH + 1] = {};
    if (!::GetTempPathW(MAX_PATH + 1, temp)) throw std::runtime_error("GetTempPathW failed");
    _base = forward(wideToUtf8(temp));
    if (_base.back() != '/') _base += '/';
    _base += "engine-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount()) + "-" +
             std::to_string(counter.fetch_add(1)) + "/";
    makeDir(_base);
    _path = _base;
    if (!leaf.empty()) {
        _path += leaf + "/";
        makeDir(_path);
    }
}

TempDir::~TempDir() {
    std::wstring base = utf8ToWide(_base);
    base.pop_back();
    removeTreeW(base);
}

void writeFile(const std::string& utf8Path, const std::string& bytes) {
    cocos2d::win32::ScopedFileHandle h(::CreateFileW(utf8ToWide(utf8Path).c_str(), GENERIC_WRITE, 0, nullptr,
                                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) throw std::runtime_error("cannot create " + utf8Path);
    DWORD written = 0;
    const BOOL ok = ::WriteFile(h.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (!ok || written != bytes.size()) throw std::runtime_error("cannot write " + utf8Path);
}

bool readFile(const std::string& utf8Path, std::string* bytes) {
    cocos2d::win32::ScopedFileHandle h(::CreateFileW(utf8ToWide(utf8Path).c_str(), GENERIC_READ,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return false;
    bytes->clear();
    char buf[4096];
    DWORD got = 0;
    while (::ReadFile(h.get(), buf, sizeof(buf), &got, nullptr) && got > 0) bytes->append(buf, got);
    return true;
}

void makeDir(const std::string& utf8Path) {
    if (!::CreateDirectoryW(utf8ToWide(utf8Path).c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        throw std::runtime_error("cannot create folder " + utf8Path);
}

bool exists(const std::string& utf8Path) {
    return ::GetFileAttributesW(utf8ToWide(utf8Path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> listDir(const std::string& utf8Path) {
    std::vector<std::string> names;
    std::wstring dir = utf8ToWide(utf8Path);
    while (!dir.empty() && (dir.back() == L'/' || dir.back() == L'\\')) dir.pop_back();
    WIN32_FIND_DATAW data;
    cocos2d::win32::ScopedFindHandle find(::FindFirstFileW((dir + L"\\*").c_str(), &data));
    if (!find) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(wideToUtf8(name));
    } while (::FindNextFileW(find.get(), &data));
    return names;
}

} // namespace enginetest
