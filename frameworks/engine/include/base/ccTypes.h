// Colour and text-alignment value types. Any thread.
//
// Colour channels are 0..255 bytes (Color3B, Color4B) or 0..1 floats
// (Color4F); the conversions between them round to the nearest byte.
#pragma once

namespace cocos2d {

typedef unsigned char GLubyte;

struct Color4B;
struct Color4F;

struct Color3B {
    GLubyte r = 0;
    GLubyte g = 0;
    GLubyte b = 0;

    Color3B() = default;
    Color3B(GLubyte rr, GLubyte gg, GLubyte bb) : r(rr), g(gg), b(bb) {}
    explicit Color3B(const Color4B& c);
    explicit Color3B(const Color4F& c);

    bool operator==(const Color3B& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Color3B& o) const { return !(*this == o); }

    static const Color3B WHITE;
    static const Color3B YELLOW;
    static const Color3B BLUE;
    static const Color3B GREEN;
    static const Color3B RED;
    static const Color3B MAGENTA;
    static const Color3B BLACK;
    static const Color3B ORANGE;
    static const Color3B GRAY;
};

struct Color4B {
    GLubyte r = 0;
    GLubyte g = 0;
    GLubyte b = 0;
    GLubyte a = 0;

    Color4B() = default;
    Color4B(GLubyte rr, GLubyte gg, GLubyte bb, GLubyte aa) : r(rr), g(gg), b(bb), a(aa) {}
    Color4B(const Color3B& c, GLubyte aa) : r(c.r), g(c.g), b(c.b), a(aa) {}
    explicit Color4B(const Color4F& c);

    bool operator==(const Color4B& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    bool operator!=(const Color4B& o) const { return !(*this == o); }

    static const Color4B WHITE;
    static const Color4B YELLOW;
    static const Color4B BLUE;
    static const Color4B GREEN;
    static const Color4B RED;
    static const Color4B MAGENTA;
    static const Color4B BLACK;
    static const Color4B ORANGE;
    static const Color4B GRAY;
};

struct Color4F {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;

    Color4F() = default;
    Color4F(float rr, float gg, float bb, float aa) : r(rr), g(gg), b(bb), a(aa) {}
    explicit Color4F(const Color3B& c, float aa = 1.0f);
    explicit Color4F(const Color4B& c);

    bool operator==(const Color4F& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    bool operator!=(const Color4F& o) const { return !(*this == o); }

    static const Color4F WHITE;
    static const Color4F YELLOW;
    static const Color4F BLUE;
    static const Color4F GREEN;
    static const Color4F RED;
    static const Color4F MAGENTA;
    static const Color4F BLACK;
    static const Color4F ORANGE;
    static const Color4F GRAY;
};

enum class TextHAlignment { LEFT, CENTER, RIGHT };
enum class TextVAlignment { TOP, CENTER, BOTTOM };

} // namespace cocos2d
