// Plain value types for positions, sizes, rectangles and 2D affine
// transforms. Any thread.
#pragma once

namespace cocos2d {

struct Vec2 {
    float x = 0.0f;
    float y = 0.0f;

    Vec2() = default;
    Vec2(float xx, float yy) : x(xx), y(yy) {}

    bool operator==(const Vec2& o) const { return x == o.x && y == o.y; }
    bool operator!=(const Vec2& o) const { return !(*this == o); }
    Vec2 operator+(const Vec2& o) const { return Vec2(x + o.x, y + o.y); }
    Vec2 operator-(const Vec2& o) const { return Vec2(x - o.x, y - o.y); }
    Vec2 operator-() const { return Vec2(-x, -y); }
    Vec2 operator*(float s) const { return Vec2(x * s, y * s); }
    Vec2 operator/(float s) const { return Vec2(x / s, y / s); }
    Vec2& operator+=(const Vec2& o) { x += o.x; y += o.y; return *this; }
    Vec2& operator-=(const Vec2& o) { x -= o.x; y -= o.y; return *this; }

    float distance(const Vec2& o) const;
    float length() const;

    static const Vec2 ZERO;
    static const Vec2 ONE;
    static const Vec2 ANCHOR_MIDDLE;
    static const Vec2 ANCHOR_BOTTOM_LEFT;
    static const Vec2 ANCHOR_TOP_LEFT;
    static const Vec2 ANCHOR_BOTTOM_RIGHT;
    static const Vec2 ANCHOR_TOP_RIGHT;
    static const Vec2 ANCHOR_MIDDLE_LEFT;
    static const Vec2 ANCHOR_MIDDLE_RIGHT;
    static const Vec2 ANCHOR_MIDDLE_TOP;
    static const Vec2 ANCHOR_MIDDLE_BOTTOM;
};

typedef Vec2 Point;

struct Size {
    float width = 0.0f;
    float height = 0.0f;

    Size() = default;
    Size(float w, float h) : width(w), height(h) {}

    bool equals(const Size& o) const { return width == o.width && height == o.height; }
    bool operator==(const Size& o) const { return equals(o); }
    bool operator!=(const Size& o) const { return !equals(o); }
    Size operator*(float s) const { return Size(width * s, height * s); }
    Size operator/(float s) const { return Size(width / s, height / s); }

    static const Size ZERO;
};

struct Rect {
    Vec2 origin;
    Size size;

    Rect() = default;
    Rect(float x, float y, float width, float height) : origin(x, y), size(width, height) {}
    Rect(const Vec2& o, const Size& s) : origin(o), size(s) {}

    float getMinX() const { return origin.x; }
    float getMinY() const { return origin.y; }
    float getMidX() const { return origin.x + size.width * 0.5f; }
    float getMidY() const { return origin.y + size.height * 0.5f; }
    float getMaxX() const { return origin.x + size.width; }
    float getMaxY() const { return origin.y + size.height; }
    // Edges included.
    bool containsPoint(const Vec2& p) const {
        return p.x >= getMinX() && p.x <= getMaxX() && p.y >= getMinY() && p.y <= getMaxY();
    }
    // True when the two overlap or touch.
    bool intersectsRect(const Rect& o) const {
        return !(getMaxX() < o.getMinX() || o.getMaxX() < getMinX() || getMaxY() < o.getMinY() ||
                 o.getMaxY() < getMinY());
    }
    // Smallest rectangle holding both.
    Rect unionWithRect(const Rect& o) const;
    bool equals(const Rect& o) const { return origin == o.origin && size == o.size; }
    bool operator==(const Rect& o) const { return equals(o); }
    bool operator!=(const Rect& o) const { return !equals(o); }

    static const Rect ZERO;
};

// | a  c  tx |
// | b  d  ty |   applied to column vectors (x, y, 1).
struct AffineTransform {
    float a = 1.0f, b = 0.0f, c = 0.0f, d = 1.0f;
    float tx = 0.0f, ty = 0.0f;

    AffineTransform() = default;
    AffineTransform(float aa, float bb, float cc, float dd, float ttx, float tty)
        : a(aa), b(bb), c(cc), d(dd), tx(ttx), ty(tty) {}

    Vec2 apply(const Vec2& p) const { return Vec2(a * p.x + c * p.y + tx, b * p.x + d * p.y + ty); }
    // The bounding box of the transformed rectangle.
    Rect apply(const Rect& r) const;
    // this after `first`: (this * first)(p) == this(first(p)).
    AffineTransform concat(const AffineTransform& first) const;
    // Identity when the transform cannot be inverted (a zero scale).
    AffineTransform invert() const;

    static const AffineTransform IDENTITY;
};

} // namespace cocos2d
