// Text to RGBA pixels with a system font. Main thread.
#pragma once

#include "base/ccTypes.h"
#include "math/CCGeometry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cocos2d {
namespace renderer {

struct TextStyle {
    std::string fontName;
    float fontSize = 12.0f;
    TextHAlignment hAlignment = TextHAlignment::LEFT;
    TextVAlignment vAlignment = TextVAlignment::TOP;
    // Width > 0 wraps at it; height > 0 fixes the height.
    Size dimensions;
    Color4B textColor = Color4B(255, 255, 255, 255);
    Color4B outlineColor = Color4B(0, 0, 0, 255);
    int outlineSize = 0;
};

struct RenderedText {
    int width = 0;
    int height = 0;
    // width × height × 4, rows from the top, straight alpha.
    std::vector<std::uint8_t> rgba;
};

// False for an empty text or when the OS calls fail; out is then empty.
bool renderText(const std::string& utf8, const TextStyle& style, RenderedText* out);

// The installed face used for a font name ("" and the generic names pick
// one that has Vietnamese letters when there is one).
std::string resolveFontFace(const std::string& fontName);

} // namespace renderer
} // namespace cocos2d
