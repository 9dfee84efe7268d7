#include "platform/webwindow/ShellRecorderTestSupport.h"

#include "proj.win32/Win32.h"

#include <algorithm>
#include <chrono>
#include <fstream>

namespace shelltest {

namespace {

bool readDefault(const std::wstring& key, std::wstring* value, bool* exists) {
    HKEY h = nullptr;
    *exists = ::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS;
    if (!*exists) return false;
    wchar_t text[1024] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    const bool has = ::RegQueryValueExW(h, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) ==
                     ERROR_SUCCESS;
    ::RegCloseKey(h);  // test code: no owner type for one key
    if (has) *value = text;
    return has;
}

bool writeDefault(const std::wstring& key, const std::wstring& value) {
    return ::RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, value.c_str(),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

std::wstring executableFolder() {
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe);
    folder.resize(folder.find_last_of(L"\\/") + 1);
    return folder;
}

RecordedShell::RecordedShell(const std::wstring& recordFile)
    : record_(recordFile), command_(L"\"" + executableFolder() + L"shell_recorder.exe\" \"%1\"") {
    ::DeleteFileW(record_.c_str());  // a left-over of an earlier run is no record of this one
    // The shell starts the recorder with this process's environment.
    ::SetEnvironmentVariableW(L"WEBWINDOW_SHELL_RECORD", record_.c_str());
    ::_wputenv((L"WEBWINDOW_SHELL_RECORD=" + record_).c_str());
}

RecordedShell::~RecordedShell() {
    // Put the prefix's own handlers back (wine ships some, for http and https).
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (!it->existed) {
            ::RegDeleteTreeW(HKEY_CLASSES_ROOT, it->key.c_str());  // ours alone
            continue;
        }
        if (it->hadDefault)
            writeDefault(it->key, it->value);
        else
            ::RegDeleteKeyValueW(HKEY_CLASSES_ROOT, it->key.c_str(), nullptr);
    }
    for (const std::wstring& tree : createdTrees_) ::RegDeleteTreeW(HKEY_CLASSES_ROOT, tree.c_str());
}

bool RecordedShell::setDefault(const std::wstring& key, const std::wstring& value) {
    Saved s{key, false, false, L""};
    s.hadDefault = readDefault(key, &s.value, &s.existed);
    saved_.push_back(s);
    return writeDefault(key, value);
}

bool RecordedShell::setUrlProtocol(const std::wstring& scheme) {
    return ::RegSetKeyValueW(HKEY_CLASSES_ROOT, scheme.c_str(), L"URL Protocol", REG_SZ, L"", sizeof(wchar_t)) ==
           ERROR_SUCCESS;
}

bool RecordedShell::handleScheme(const std::wstring& scheme) {
    bool existed = false;
    std::wstring ignored;
    readDefault(scheme, &ignored, &existed);
    if (!existed) createdTrees_.push_back(scheme);
    // Wine resolves link schemes through HKEY_CLASSES_ROOT only (it does not
    // merge the user's Software\Classes), so the recorder goes there.
    return setUrlProtocol(scheme) && setDefault(scheme + L"\\shell\\open\\command", command_);
}

bool RecordedShell::handleExtension(const std::wstring& extension) {
    const std::wstring progId = L"zavu.shelltest" + extension;
    for (const std::wstring& key : {extension, progId}) {
        bool existed = false;
        std::wstring ignored;
        readDefault(key, &ignored, &existed);
        if (!existed) createdTrees_.push_back(key);
    }
    return setDefault(extension, progId) && setDefault(progId + L"\\shell\\open\\command", command_);
}

std::vector<std::string> RecordedShell::recorded() const {
    std::ifstream in(record_.c_str(), std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

bool RecordedShell::waitFor(size_t count, int timeoutMs) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (recorded().size() >= count) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

}  // namespace shelltest
