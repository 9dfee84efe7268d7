// UTF-8 <-> UTF-16 conversion for the wide-character Win32 calls.
#pragma once

#include <string>

namespace cocos2d {
namespace win32 {

// Invalid UTF-8 sequences become U+FFFD (MultiByteToWideChar's rule); any length.
std::wstring utf8ToWide(const std::string& utf8);
std::string wideToUtf8(const std::wstring& wide);
std::string wideToUtf8(const wchar_t* wide);

} // namespace win32
} // namespace cocos2d
