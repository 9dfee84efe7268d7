#include "proj.win32/CaBundle.h"

#include "proj.win32/ScopedHandle.h"
#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"

#include <cstdio>
#include <mutex>

namespace {

constexpr DWORD kModulePathUnits = 260;  // the rule's buffer: a longer path gives no bundle

// "cacert.pem" in the executable's folder, in UTF-16; empty when the module
// path does not fit the buffer.
std::wstring caBundleWidePath() {
    wchar_t buffer[kModulePathUnits] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer, kModulePathUnits);
    if (n == 0 || n >= kModulePathUnits) return std::wstring();
    std::wstring path(buffer, n);
    const size_t separator = path.find_last_of(L"\\/");
    if (separator != std::wstring::npos) path.resize(separator + 1);
    return path + L"cacert.pem";
}

// The whole file, or false when it cannot be opened or read to its end.
bool readWholeFile(const std::wstring& path, std::string& out) {
    ScopedStdioFile file(::_wfopen(path.c_str(), L"rb"));
    if (!file) return false;
    char chunk[16384];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) out.append(chunk, got);
    return std::ferror(file.get()) == 0;
}

}  // namespace

std::string getCaBundlePath() { return wideToAnsi(caBundleWidePath()); }

const CaBundle& sharedCaBundle() {
    static std::once_flag once;
    static CaBundle& bundle = *new CaBundle;
    std::call_once(once, [] {
        bundle.path = getCaBundlePath();
        if (bundle.path.empty()) return;  // no path, no CA option
        std::string pem;
        if (readWholeFile(caBundleWidePath(), pem) && !pem.empty()) {
            bundle.pem.swap(pem);
            bundle.path.clear();
        }
    });
    return bundle;
}

void applyCaBundle(CURL* handle, const CaBundle& bundle) {
    // Option results are not checked: a refused option shows as a failed
    // handshake, which each caller reports.
    if (!bundle.pem.empty()) {
        curl_blob blob{};
        blob.data = const_cast<char*>(bundle.pem.data());
        blob.len = bundle.pem.size();
        blob.flags = CURL_BLOB_NOCOPY;
        curl_easy_setopt(handle, CURLOPT_CAINFO_BLOB, &blob);
    } else if (!bundle.path.empty()) {
        curl_easy_setopt(handle, CURLOPT_CAINFO, bundle.path.c_str());
    }
}
