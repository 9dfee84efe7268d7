// UTF-8 inside the system, UTF-16 toward Win32.
#pragma once

#include <string>

std::string wideToUtf8(const std::wstring& text);
std::string wideToUtf8(const wchar_t* text);
std::wstring utf8ToWide(const std::string& text);

// The ANSI code page's form (what the narrow Win32 and C runtime calls take),
// with the code page's own replacement for what it cannot spell; used only
// for the certificate bundle's path.
std::string wideToAnsi(const std::wstring& text);

// The UTF-8 form of a NUL-terminated UTF-16 string in a zero-filled malloc
// buffer of 3 x (length in UTF-16 units) + 1 bytes; the caller frees it.
char* wideToUtf8Alloc(const wchar_t* text);
