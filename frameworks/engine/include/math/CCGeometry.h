// Plain value types for positions, sizes and rectangles. Any thread.
#pragma once

namespace cocos2d {

struct Vec2 {
    float x = 0.0f;
    float y = 0.0f;

    Vec2() = default;
    Vec2(float xx, float yy) : x(xx), y(yy) {}

    bool operator==(const Vec2& o) const { return x == o.x && y == o.y; }
    bool operator!=(const Vec2& o) const { return !(*this == o); }
};

struct Size {
    float width = 0.0f;
    float height = 0.0f;

    Size() = default;
    Size(float w, float h) : width(w), height(h) {}

    bool equals(const Size& o) const { return width == o.width && height == o.height; }
    bool operator==(const Size& o) const { return equals(o); }
    bool operator!=(const Size& o) const { return !equals(o); }

    static const Size ZERO;
};

struct Rect {
    Vec2 origin;
    Size size;

    Rect() = default;
    Rect(float x, float y, float width, float height) : origin(x, y), size(width, height) {}

    float getMinX() const { return origin.x; }
    float getMinY() const { return origin.y; }
    float getMaxX() const { return origin.x + size.width; }
    float getMaxY() const { return origin.y + size.height; }
    bool containsPoint(const Vec2& p) const {
        return p.x >= getMinX() && p.x <= getMaxX() && p.y >= getMinY() && p.y <= getMaxY();
    }
    bool operator==(const Rect& o) const { return origin == o.origin && size == o.size; }

    static const Rect ZERO;
};

} // namespace cocos2d
