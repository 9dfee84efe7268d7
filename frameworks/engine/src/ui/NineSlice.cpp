// Nine-slice geometry.
#include "ui/NineSlice.h"

#include "renderer/CCRenderer.h"
#include "renderer/CCTexture2D.h"

#include <algorithm>

namespace cocos2d {
namespace ui {

namespace {

float clampf(float v, float lo, float hi) { return std::max(lo, std::min(hi, v)); }

// Sizes of the three bands along one axis: caps a and b over `length`.
void bands(float capA, float capB, float length, float* outA, float* outMid, float* outB) {
    if (capA + capB > length && capA + capB > 0.0f) {
        const float k = length / (capA + capB);
        *outA = capA * k;
        *outB = capB * k;
        *outMid = 0.0f;
        return;
    }
    *outA = capA;
    *outB = capB;
    *outMid = length - capA - capB;
}

} // namespace

Rect effectiveCapInsets(const Rect& capInsets, const Size& imageSize) {
    const float w = imageSize.width, h = imageSize.height;
    if (capInsets.equals(Rect::ZERO)) return Rect(w / 3.0f, h / 3.0f, w / 3.0f, h / 3.0f);
    // A centre narrower than nothing (inset wider than the image) keeps the
    // left / top cap and leaves no centre.
    const float left = clampf(capInsets.origin.x, 0.0f, w);
    const float top = clampf(capInsets.origin.y, 0.0f, h);
    const float width = clampf(capInsets.size.width, 0.0f, w - left);
    const float height = clampf(capInsets.size.height, 0.0f, h - top);
    return Rect(left, top, width, height);
}

void drawNineSlice(Renderer* renderer, Texture2D* texture, const Rect& capInsets, const AffineTransform& t,
                   const Rect& dest, const Color4B& tint) {
    if (!texture) return;
    const float w = static_cast<float>(texture->getPixelsWide());
    const float h = static_cast<float>(texture->getPixelsHigh());
    const Rect in = effectiveCapInsets(capInsets, Size(w, h));
    // Source bands in pixels: left, centre, right / top, centre, bottom.
    const float srcL = in.origin.x, srcR = w - in.origin.x - in.size.width;
    const float srcT = in.origin.y, srcB = h - in.origin.y - in.size.height;
    const float su[4] = {0.0f, srcL / w, (w - srcR) / w, 1.0f};
    const float sv[4] = {0.0f, srcT / h, (h - srcB) / h, 1.0f}; // v from the top

    float dl, dm, dr, dt, dmv, db;
    bands(srcL, srcR, dest.size.width, &dl, &dm, &dr);
    bands(srcT, srcB, dest.size.height, &dt, &dmv, &db);
    const float dx[4] = {dest.getMinX(), dest.getMinX() + dl, dest.getMinX() + dl + dm, dest.getMaxX()};
    // Rows from the top of the destination (y up: top row is highest).
    const float dy[4] = {dest.getMaxY(), dest.getMaxY() - dt, dest.getMaxY() - dt - dmv, dest.getMinY()};

    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            const Rect quad(dx[col], dy[row + 1], dx[col + 1] - dx[col], dy[row] - dy[row + 1]);
            if (quad.size.width <= 0.0f || quad.size.height <= 0.0f) continue;
            renderer->drawTexturedQuad(texture, t, quad, su[col], sv[row], su[col + 1], sv[row + 1], tint);
        }
    }
}

void drawStretched(Renderer* renderer, Texture2D* texture, const AffineTransform& t, const Rect& dest,
                   const Color4B& tint) {
    if (!texture) return;
    renderer->drawTexturedQuad(texture, t, dest, 0.0f, 0.0f, 1.0f, 1.0f, tint);
}

} // namespace ui
} // namespace cocos2d
