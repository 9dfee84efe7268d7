#include "proj.win32/TextConversion.h"

#include "proj.win32/Win32.h"

#include <cstdlib>
#include <cwchar>

std::string wideToUtf8(const wchar_t* text) {
    if (!text || !*text) return std::string();
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], bytes, nullptr, nullptr);
    out.resize(static_cast<size_t>(bytes) - 1);  // drop the terminator
    return out;
}

std::string wideToUtf8(const std::wstring& text) { return wideToUtf8(text.c_str()); }

std::wstring utf8ToWide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int units = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (units <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(units), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], units);
    return out;
}

std::string wideToAnsi(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    out.resize(static_cast<size_t>(size) - 1);  // drop the terminator
    return out;
}

char* wideToUtf8Alloc(const wchar_t* text) {
    const size_t units = text ? std::wcslen(text) : 0;
    const size_t size = 3 * units + 1;  // a UTF-16 unit never takes more than 3 UTF-8 bytes
    char* buffer = static_cast<char*>(std::calloc(size, 1));
    if (!buffer || units == 0) return buffer;
    ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(units), buffer, static_cast<int>(size - 1), nullptr, nullptr);
    return buffer;
}
