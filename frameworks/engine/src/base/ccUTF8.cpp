#include "base/ccUTF8.h"

namespace cocos2d {
namespace StringUtils {

bool UTF32ToUTF8(const std::u32string& utf32, std::string& outUtf8) {
    outUtf8.clear();
    for (char32_t cp : utf32) {
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
            outUtf8.clear();
            return false;
        }
        if (cp < 0x80) {
            outUtf8 += static_cast<char>(cp);
        } else if (cp < 0x800) {
            outUtf8 += static_cast<char>(0xC0 | (cp >> 6));
            outUtf8 += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            outUtf8 += static_cast<char>(0xE0 | (cp >> 12));
            outUtf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            outUtf8 += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            outUtf8 += static_cast<char>(0xF0 | (cp >> 18));
            outUtf8 += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            outUtf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            outUtf8 += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return true;
}

} // namespace StringUtils
} // namespace cocos2d
