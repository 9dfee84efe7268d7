// The drawing calls nodes make while a frame is drawn: textured and solid
// quads and convex polygons in design units, each through the node's
// transform. Main thread, between the frame's GL set-up and the swap.
//
// Everything outside the visible rectangle is skipped before it reaches GL.
// A renderer made without GL (headless) only counts, so scene tests can
// check what would be drawn.
#pragma once

#include "base/ccTypes.h"
#include "math/CCGeometry.h"

#include <cstddef>

namespace cocos2d {

class Texture2D;

class Renderer {
public:
    Renderer(bool useGL, unsigned int contextSerial, const Rect& visibleRect);

    // quad: the local rectangle; u/v: texture coordinates with v = 0 at the
    // image's top row. The tint multiplies the texture (alpha included).
    void drawTexturedQuad(Texture2D* texture, const AffineTransform& transform, const Rect& quad, float u0,
                          float v0, float u1, float v1, const Color4B& tint);
    void drawSolidQuad(const AffineTransform& transform, const Rect& quad, const Color4B& color);
    void drawSolidPolygon(const AffineTransform& transform, const Vec2* points, std::size_t count,
                          const Color4B& color);

    unsigned int getDrawnCount() const { return _drawn; }
    unsigned int getCulledCount() const { return _culled; }

private:
    bool isCulled(const AffineTransform& transform, const Rect& quad);

    bool _useGL;
    unsigned int _contextSerial;
    Rect _visibleRect;
    unsigned int _drawn = 0;
    unsigned int _culled = 0;
};

// Tints: a node colour and opacity on top of a base colour.
Color4B modulate(const Color4B& base, const Color3B& color, GLubyte opacity);

} // namespace cocos2d
