#include "update/UpdatePaths.h"

#include "cocos2d.h"
#include "platform/LongPath.h"
#include "proj.win32/TextConversion.h"
#include "proj.win32/TlsWarmup.h"
#include "proj.win32/Win32.h"

#include <mutex>

#ifndef PATCH_SERVER_HOST
#error "PATCH_SERVER_HOST must be defined by the build"
#endif

using cocos2d::FileUtils;

const std::string& getResourcesDir() {
    // Magic-static initialisation is thread-safe; the unpacking thread uses it
    // too, and may still run at exit: never destroyed.
    static const std::string& dir = *new std::string(FileUtils::getInstance()->getWritablePath() + "auc/Resources/");
    return dir;
}

std::string getDownloadsDir() { return FileUtils::getInstance()->getWritablePath() + "auc/Downloads/"; }

std::string patchServerPlainRoot() { return std::string("http://") + PATCH_SERVER_HOST + "/"; }

void upgradePatchUrl(std::string& url) {
    const std::string plain = patchServerPlainRoot();
    if (url.size() < plain.size() || url.compare(0, plain.size(), plain) != 0) return;
    url = patchServerRoot() + url.substr(plain.size());
}

namespace {

// True when the ANSI form of the path names the same file: no letter was
// replaced by the code page's default character.
bool ansiRoundTrips(const std::string& ansi, const std::wstring& wide) {
    const int n = ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    if (n <= 1) return false;
    std::wstring back(static_cast<size_t>(n) - 1, L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &back[0], n);
    return back == wide;
}

std::wstring caBundleWidePath() {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring();
    std::wstring path(buffer, n);
    const size_t separator = path.find_last_of(L"\\/");
    if (separator != std::wstring::npos) path.resize(separator + 1);
    return path + L"cacert.pem";
}

}  // namespace

const CaBundle& updateCaBundle() {
    static std::once_flag once;
    // Never destroyed: static destructors run when wWinMain returns, while
    // detached download workers may still be reading the bundle.
    static CaBundle& bundle = *new CaBundle;
    std::call_once(once, [] {
        bundle.path = getCaBundlePath();
        const std::wstring wide = caBundleWidePath();
        if (bundle.path.empty() || wide.empty() || ansiRoundTrips(bundle.path, wide)) return;
        // libcurl opens CURLOPT_CAINFO with the ANSI call, which cannot name
        // this folder: hand it the bundle's bytes, read through the wide call.
        bundle.path.clear();
        if (FILE* f = _wfopen(wide.c_str(), L"rb")) {
            char chunk[16384];
            size_t got;
            while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bundle.pem.append(chunk, got);
            std::fclose(f);
        }
    });
    return bundle;
}

FILE* openFileUtf8(const std::string& path, const wchar_t* mode) { return _wfopen(win32FilePath(path).c_str(), mode); }

std::wstring win32FilePath(const std::string& path) { return cocos2d::fs::longPathForm(utf8ToWide(path)); }
