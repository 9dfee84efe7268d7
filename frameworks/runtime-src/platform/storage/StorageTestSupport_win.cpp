#include "platform/storage/StorageTestSupport.h"

#include "platform/storage/Base64.h"
#include "proj.win32/ScopedHandle.h"
#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"

#include "cocos2d.h"

#include <dpapi.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace storagetest {

namespace {

constexpr DWORD kHelperTimeoutMs = 120000;  // a wine process start under emulation can take a while

std::wstring wide(const std::string& path) { return utf8ToWide(path); }

std::wstring executableFolder() {
    wchar_t buffer[MAX_PATH * 4] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
    std::wstring path(buffer, n);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

}  // namespace

std::string blobWithEntropy(const std::string& plain, const char* entropy, size_t entropySize) {
    DATA_BLOB input{static_cast<DWORD>(plain.size()), reinterpret_cast<BYTE*>(const_cast<char*>(plain.data()))};
    DATA_BLOB extra{static_cast<DWORD>(entropySize), reinterpret_cast<BYTE*>(const_cast<char*>(entropy))};
    DATA_BLOB output{0, nullptr};
    if (!::CryptProtectData(&input, L"ZAVU login", entropy ? &extra : nullptr, nullptr, nullptr,
                            CRYPTPROTECT_UI_FORBIDDEN, &output))
        throw std::runtime_error("CryptProtectData failed");
    ScopedLocalMemory owner(output.pbData);
    return "ZAVUDP1:" + base64Encode(output.pbData, output.cbData);
}

std::string descriptionOf(const std::string& blob) {
    std::vector<unsigned char> raw;
    if (!base64Decode(blob.substr(8), raw) || raw.empty()) return "(failed)";
    static const char kEntropy[] = "HMPV.ROA.token.w7";
    DATA_BLOB input{static_cast<DWORD>(raw.size()), raw.data()};
    DATA_BLOB extra{sizeof kEntropy - 1, reinterpret_cast<BYTE*>(const_cast<char*>(kEntropy))};
    DATA_BLOB output{0, nullptr};
    LPWSTR description = nullptr;
    if (!::CryptUnprotectData(&input, &description, &extra, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &output))
        return "(failed)";
    ScopedLocalMemory plainOwner(output.pbData);
    ScopedLocalMemory descriptionOwner(description);
    return description ? wideToUtf8(description) : std::string("(none)");
}

WritableFolder::WritableFolder(const std::string& leaf) {
    static std::atomic<int> counter{0};
    const char* temp = std::getenv("TEMP");
    if (!temp) throw std::runtime_error("TEMP is not set");
    path_ = std::string(temp) + "\\storage-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(counter++) + "-" + leaf + "\\";
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    files->removeDirectory(path_);
    if (!files->createDirectory(path_)) throw std::runtime_error("cannot create " + path_);
    files->setWritablePath(path_);
}

WritableFolder::~WritableFolder() {
    cocos2d::FileUtils::getInstance()->removeDirectory(path_);
    cocos2d::FileUtils::getInstance()->setWritablePath(std::string());
}

bool fileExists(const std::string& path) { return cocos2d::FileUtils::getInstance()->isFileExist(path); }

std::string readFile(const std::string& path) { return cocos2d::FileUtils::getInstance()->getStringFromFile(path); }

void writeFile(const std::string& path, const std::string& bytes) {
    if (!cocos2d::FileUtils::getInstance()->writeStringToFile(bytes, path))
        throw std::runtime_error("cannot write " + path);
}

std::string listFolder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((wide(folder) + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") names.push_back(wideToUtf8(name));
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);  // test code: no owner type for one search
    }
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : " ") + name;
    return joined;
}

int runOutsideDecryption(const std::string& blobFile, std::string* plain) {
    const std::string outFile = blobFile + ".decrypted";
    std::wstring command = L"\"" + executableFolder() + L"dpapi_unprotect.exe\" \"" + wide(blobFile) + L"\" \"" +
                           wide(outFile) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        throw std::runtime_error("cannot start dpapi_unprotect.exe");
    ScopedKernelHandle processHandle(process.hProcess);
    ScopedKernelHandle threadHandle(process.hThread);
    if (::WaitForSingleObject(process.hProcess, kHelperTimeoutMs) != WAIT_OBJECT_0)
        throw std::runtime_error("dpapi_unprotect.exe did not end");
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    *plain = readFile(outFile);
    cocos2d::FileUtils::getInstance()->removeFile(outFile);
    return static_cast<int>(code);
}

}  // namespace storagetest
