// Drawing a texture as nine slices over a rectangle. Main thread.
#pragma once

#include "base/ccTypes.h"
#include "math/CCGeometry.h"

namespace cocos2d {

class Renderer;
class Texture2D;

namespace ui {

// capInsets in image pixels from the image's top-left (Rect::ZERO: the
// middle third), clamped to the image. The caps keep their pixel size and
// shrink evenly when the rectangle is smaller than two caps.
Rect effectiveCapInsets(const Rect& capInsets, const Size& imageSize);

void drawNineSlice(Renderer* renderer, Texture2D* texture, const Rect& capInsets, const AffineTransform& transform,
                   const Rect& dest, const Color4B& tint);

// The whole texture stretched over dest.
void drawStretched(Renderer* renderer, Texture2D* texture, const AffineTransform& transform, const Rect& dest,
                   const Color4B& tint);

} // namespace ui
} // namespace cocos2d
