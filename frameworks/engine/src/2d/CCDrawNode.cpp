// Solid shapes kept as primitives.
#include "2d/CCDrawNode.h"

#include "renderer/CCRenderer.h"

#include <cmath>

namespace cocos2d {

DrawNode* DrawNode::create() {
    auto* node = new DrawNode();
    node->autorelease();
    return node;
}

DrawNode::DrawNode() = default;

void DrawNode::drawSolidRect(const Vec2& origin, const Vec2& destination, const Color4F& color) {
    Primitive p;
    p.kind = Primitive::Kind::SolidRect;
    p.color = color;
    p.origin = origin;
    p.destination = destination;
    p.vertices = {origin, Vec2(destination.x, origin.y), destination, Vec2(origin.x, destination.y)};
    _primitives.push_back(std::move(p));
}

void DrawNode::drawSolidCircle(const Vec2& center, float radius, float angle, unsigned int segments,
                               const Color4F& color) {
    drawSolidCircle(center, radius, angle, segments, 1.0f, 1.0f, color);
}

void DrawNode::drawSolidCircle(const Vec2& center, float radius, float angle, unsigned int segments, float scaleX,
                               float scaleY, const Color4F& color) {
    if (segments < 3) return;
    Primitive p;
    p.kind = Primitive::Kind::SolidCircle;
    p.color = color;
    p.center = center;
    p.radius = radius;
    p.angle = angle;
    p.segments = segments;
    p.scaleX = scaleX;
    p.scaleY = scaleY;
    p.vertices.reserve(segments);
    const float step = 2.0f * 3.14159265358979f / static_cast<float>(segments);
    for (unsigned int i = 0; i < segments; ++i) {
        const float a = angle + step * static_cast<float>(i);
        p.vertices.emplace_back(center.x + radius * std::cos(a) * scaleX, center.y + radius * std::sin(a) * scaleY);
    }
    _primitives.push_back(std::move(p));
}

void DrawNode::drawSolidPoly(const Vec2* points, unsigned int numberOfPoints, const Color4F& color) {
    if (!points || numberOfPoints < 3) return;
    Primitive p;
    p.kind = Primitive::Kind::SolidPolygon;
    p.color = color;
    p.vertices.assign(points, points + numberOfPoints);
    _primitives.push_back(std::move(p));
}

void DrawNode::clear() { _primitives.clear(); }

void DrawNode::draw(Renderer* renderer, const AffineTransform& transform, GLubyte opacity, const Color3B& color) {
    for (const Primitive& p : _primitives) {
        const Color4B c = modulate(Color4B(p.color), color, opacity);
        renderer->drawSolidPolygon(transform, p.vertices.data(), p.vertices.size(), c);
    }
}

} // namespace cocos2d
