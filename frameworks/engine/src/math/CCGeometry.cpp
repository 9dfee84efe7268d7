// Constants and the non-trivial operations of the value types.
#include "math/CCGeometry.h"

#include <algorithm>
#include <cmath>

namespace cocos2d {

const Vec2 Vec2::ZERO(0.0f, 0.0f);
const Vec2 Vec2::ONE(1.0f, 1.0f);
const Vec2 Vec2::ANCHOR_MIDDLE(0.5f, 0.5f);
const Vec2 Vec2::ANCHOR_BOTTOM_LEFT(0.0f, 0.0f);
const Vec2 Vec2::ANCHOR_TOP_LEFT(0.0f, 1.0f);
const Vec2 Vec2::ANCHOR_BOTTOM_RIGHT(1.0f, 0.0f);
const Vec2 Vec2::ANCHOR_TOP_RIGHT(1.0f, 1.0f);
const Vec2 Vec2::ANCHOR_MIDDLE_LEFT(0.0f, 0.5f);
const Vec2 Vec2::ANCHOR_MIDDLE_RIGHT(1.0f, 0.5f);
const Vec2 Vec2::ANCHOR_MIDDLE_TOP(0.5f, 1.0f);
const Vec2 Vec2::ANCHOR_MIDDLE_BOTTOM(0.5f, 0.0f);

const Size Size::ZERO = Size(0.0f, 0.0f);
const Rect Rect::ZERO = Rect(0.0f, 0.0f, 0.0f, 0.0f);
const AffineTransform AffineTransform::IDENTITY = AffineTransform();

float Vec2::length() const { return std::sqrt(x * x + y * y); }

float Vec2::distance(const Vec2& o) const { return (*this - o).length(); }

Rect Rect::unionWithRect(const Rect& o) const {
    const float minX = std::min(getMinX(), o.getMinX());
    const float minY = std::min(getMinY(), o.getMinY());
    const float maxX = std::max(getMaxX(), o.getMaxX());
    const float maxY = std::max(getMaxY(), o.getMaxY());
    return Rect(minX, minY, maxX - minX, maxY - minY);
}

Rect AffineTransform::apply(const Rect& r) const {
    const Vec2 p[4] = {apply(Vec2(r.getMinX(), r.getMinY())), apply(Vec2(r.getMaxX(), r.getMinY())),
                       apply(Vec2(r.getMinX(), r.getMaxY())), apply(Vec2(r.getMaxX(), r.getMaxY()))};
    float minX = p[0].x, maxX = p[0].x, minY = p[0].y, maxY = p[0].y;
    for (const Vec2& q : p) {
        minX = std::min(minX, q.x);
        maxX = std::max(maxX, q.x);
        minY = std::min(minY, q.y);
        maxY = std::max(maxY, q.y);
    }
    return Rect(minX, minY, maxX - minX, maxY - minY);
}

AffineTransform AffineTransform::concat(const AffineTransform& f) const {
    return AffineTransform(a * f.a + c * f.b, b * f.a + d * f.b, a * f.c + c * f.d, b * f.c + d * f.d,
                           a * f.tx + c * f.ty + tx, b * f.tx + d * f.ty + ty);
}

AffineTransform AffineTransform::invert() const {
    const float det = a * d - b * c;
    if (det == 0.0f) return AffineTransform::IDENTITY;
    const float inv = 1.0f / det;
    return AffineTransform(d * inv, -b * inv, -c * inv, a * inv, (c * ty - d * tx) * inv, (b * tx - a * ty) * inv);
}

} // namespace cocos2d
