// Solid shapes in the node's own coordinates, kept as a list of primitives
// until clear(). Main thread.
#pragma once

#include "2d/CCNode.h"

#include <vector>

namespace cocos2d {

class DrawNode : public Node {
public:
    struct Primitive {
        enum class Kind { SolidRect, SolidCircle, SolidPolygon };
        Kind kind = Kind::SolidRect;
        Color4F color;
        // SolidRect: the two corners as given.
        Vec2 origin;
        Vec2 destination;
        // SolidCircle: as given.
        Vec2 center;
        float radius = 0.0f;
        float angle = 0.0f;
        unsigned int segments = 0;
        float scaleX = 1.0f;
        float scaleY = 1.0f;
        // Every kind: the filled outline as a convex polygon (a rectangle's
        // four corners, a circle's `segments` points).
        std::vector<Vec2> vertices;
    };

    static DrawNode* create();

    void drawSolidRect(const Vec2& origin, const Vec2& destination, const Color4F& color);
    // segments points on the circle, the first at `angle` radians; fewer than 3 draws nothing.
    void drawSolidCircle(const Vec2& center, float radius, float angle, unsigned int segments,
                         const Color4F& color);
    void drawSolidCircle(const Vec2& center, float radius, float angle, unsigned int segments, float scaleX,
                         float scaleY, const Color4F& color);
    // A convex polygon; fewer than 3 points draws nothing.
    void drawSolidPoly(const Vec2* points, unsigned int numberOfPoints, const Color4F& color);
    void clear();

    const std::vector<Primitive>& getPrimitives() const { return _primitives; }

    void draw(Renderer* renderer, const AffineTransform& transform, GLubyte opacity, const Color3B& color) override;

protected:
    DrawNode();

private:
    std::vector<Primitive> _primitives;
};

} // namespace cocos2d
