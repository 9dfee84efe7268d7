// Test helper: decrypts a saved-login file from outside the host, with its own
// base64 decoder (the system's), so the file format is checked by a second
// hand. Writes the plain bytes to <out>.
//   dpapi_unprotect <blob-file> <out>
// Exit codes: 0 done, 1 usage or file error, 2 no "ZAVUDP1:" prefix,
// 3 not base64, 4 CryptUnprotectData refused.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kPrefix[] = "ZAVUDP1:";
const char kEntropy[] = "HMPV.ROA.token.w7";  // 17 bytes, no terminating NUL

bool readAll(const wchar_t* path, std::string* bytes) {
    FILE* f = _wfopen(path, L"rb");
    if (!f) return false;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes->append(buffer, n);
    std::fclose(f);
    return true;
}

bool writeAll(const wchar_t* path, const BYTE* data, DWORD size) {
    FILE* f = _wfopen(path, L"wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: dpapi_unprotect <blob-file> <out>\n");
        return 1;
    }
    std::string text;
    if (!readAll(argv[1], &text)) return 1;
    if (text.compare(0, sizeof kPrefix - 1, kPrefix) != 0) return 2;
    const std::string base64 = text.substr(sizeof kPrefix - 1);

    DWORD size = 0;
    if (!CryptStringToBinaryA(base64.c_str(), static_cast<DWORD>(base64.size()), CRYPT_STRING_BASE64, nullptr, &size,
                              nullptr, nullptr))
        return 3;
    std::vector<BYTE> raw(size);
    if (!CryptStringToBinaryA(base64.c_str(), static_cast<DWORD>(base64.size()), CRYPT_STRING_BASE64, raw.data(),
                              &size, nullptr, nullptr))
        return 3;

    DATA_BLOB input{size, raw.data()};
    DATA_BLOB entropy{sizeof kEntropy - 1, reinterpret_cast<BYTE*>(const_cast<char*>(kEntropy))};
    DATA_BLOB output{0, nullptr};
    if (!CryptUnprotectData(&input, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &output)) return 4;
    const bool written = writeAll(argv[2], output.pbData, output.cbData);
    SecureZeroMemory(output.pbData, output.cbData);
    LocalFree(output.pbData);
    return written ? 0 : 1;
}
