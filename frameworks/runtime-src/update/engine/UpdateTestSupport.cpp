#include "update/engine/UpdateTestSupport.h"

#include "cocos2d.h"
#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"

#include "zip.h"
#include "iowin32.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>

namespace updatetest {

namespace {

std::wstring wide(const std::string& path) {
    std::wstring w = utf8ToWide(path);
    for (wchar_t& c : w)
        if (c == L'/') c = L'\\';
    while (!w.empty() && w.back() == L'\\') w.pop_back();
    return w;
}

void removeTreeW(const std::wstring& dir) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = dir + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTreeW(child);
            else
                ::DeleteFileW(child.c_str());
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(dir.c_str());
}

void listInto(const std::wstring& dir, const std::string& prefix, std::vector<std::string>& out) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::string rel = prefix + wideToUtf8(name);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            listInto(dir + L"\\" + name, rel + "/", out);
        else
            out.push_back(rel);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
}

}  // namespace

TempFolder::TempFolder(const std::string& leaf) {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::string base = wideToUtf8(temp);
    for (char& c : base)
        if (c == '\\') c = '/';
    if (base.back() != '/') base += '/';
    path_ = base + "upd-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(counter++) + leaf + "/";
    removeTree(path_);
    if (!::CreateDirectoryW(wide(path_).c_str(), nullptr)) throw std::runtime_error("cannot create " + path_);
}

TempFolder::~TempFolder() { removeTree(path_); }

void writeFile(const std::string& path, const std::string& bytes) {
    FILE* f = _wfopen(wide(path).c_str(), L"wb");
    if (!f) throw std::runtime_error("cannot write " + path);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

bool readFile(const std::string& path, std::string* bytes) {
    FILE* f = _wfopen(wide(path).c_str(), L"rb");
    if (!f) return false;
    bytes->clear();
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes->append(buffer, n);
    std::fclose(f);
    return true;
}

bool exists(const std::string& path) { return ::GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

void makeDir(const std::string& path) { ::CreateDirectoryW(wide(path).c_str(), nullptr); }

void removeTree(const std::string& path) {
    const std::wstring w = wide(path);
    const DWORD attributes = ::GetFileAttributesW(w.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        removeTreeW(w);
    else
        ::DeleteFileW(w.c_str());
}

std::vector<std::string> listFiles(const std::string& folder) {
    std::vector<std::string> out;
    listInto(wide(folder), "", out);
    return out;
}

std::string buildZip(const std::string& path, const std::vector<ZipEntry>& entries, bool stored) {
    zlib_filefunc64_def wideFiles;
    fill_win32_filefunc64W(&wideFiles);
    const std::wstring widePath = utf8ToWide(path);
    zipFile zip = zipOpen2_64(widePath.c_str(), APPEND_STATUS_CREATE, nullptr, &wideFiles);
    if (!zip) throw std::runtime_error("cannot create zip " + path);
    for (const ZipEntry& e : entries) {
        zip_fileinfo info = {};
        const bool folder = !e.name.empty() && e.name.back() == '/';
        if (folder) info.external_fa = 0x10;
        zipOpenNewFileInZip(zip, e.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, stored ? 0 : Z_DEFLATED,
                            stored ? 0 : Z_DEFAULT_COMPRESSION);
        if (!folder && !e.data.empty()) zipWriteInFileInZip(zip, e.data.data(), static_cast<unsigned>(e.data.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
    std::string bytes;
    readFile(path, &bytes);
    return bytes;
}

bool pumpUntil(const std::function<bool()>& done, int timeoutMs) {
    cocos2d::Scheduler* scheduler = cocos2d::Director::getInstance()->getScheduler();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        scheduler->update(1.0f / 60);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void pumpFor(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    pumpUntil([&] { return std::chrono::steady_clock::now() >= end; }, ms + 1000);
}

}  // namespace updatetest
