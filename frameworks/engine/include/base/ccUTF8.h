// UTF conversions shared by the engine and its users.
#pragma once

#include <string>

namespace cocos2d {
namespace StringUtils {

// outUtf8 becomes the UTF-8 form of utf32; false (and outUtf8 empty) when a
// code point is a surrogate or lies above U+10FFFF.
bool UTF32ToUTF8(const std::u32string& utf32, std::string& outUtf8);

} // namespace StringUtils
} // namespace cocos2d
