// Immediate-mode OpenGL 1.1: small quads and fans, no buffers to manage,
// nothing allocated per draw. The frame set-up (FrameRenderer_win.cpp)
// establishes the state these calls rely on.
#include "renderer/CCRenderer.h"

#include "platform/Windows_win.h"
#include "renderer/CCTexture2D.h"

#include <GL/gl.h>

namespace cocos2d {

Color4B modulate(const Color4B& base, const Color3B& color, GLubyte opacity) {
    return Color4B(static_cast<GLubyte>(base.r * color.r / 255), static_cast<GLubyte>(base.g * color.g / 255),
                   static_cast<GLubyte>(base.b * color.b / 255), static_cast<GLubyte>(base.a * opacity / 255));
}

Renderer::Renderer(bool useGL, unsigned int contextSerial, const Rect& visibleRect)
    : _useGL(useGL), _contextSerial(contextSerial), _visibleRect(visibleRect) {}

bool Renderer::isCulled(const AffineTransform& transform, const Rect& quad) {
    if (quad.size.width == 0.0f || quad.size.height == 0.0f || !_visibleRect.intersectsRect(transform.apply(quad))) {
        ++_culled;
        return true;
    }
    ++_drawn;
    return false;
}

void Renderer::drawTexturedQuad(Texture2D* texture, const AffineTransform& t, const Rect& quad, float u0, float v0,
                                float u1, float v1, const Color4B& tint) {
    if (!texture || tint.a == 0) return;
    if (isCulled(t, quad)) return;
    if (!_useGL) return;
    if (!texture->bind(_contextSerial)) return;
    const Vec2 bl = t.apply(Vec2(quad.getMinX(), quad.getMinY()));
    const Vec2 br = t.apply(Vec2(quad.getMaxX(), quad.getMinY()));
    const Vec2 tr = t.apply(Vec2(quad.getMaxX(), quad.getMaxY()));
    const Vec2 tl = t.apply(Vec2(quad.getMinX(), quad.getMaxY()));
    glEnable(GL_TEXTURE_2D);
    glColor4ub(tint.r, tint.g, tint.b, tint.a);
    glBegin(GL_QUADS);
    // v1 is the bottom of the picture: rows are stored from the top.
    glTexCoord2f(u0, v1); glVertex2f(bl.x, bl.y);
    glTexCoord2f(u1, v1); glVertex2f(br.x, br.y);
    glTexCoord2f(u1, v0); glVertex2f(tr.x, tr.y);
    glTexCoord2f(u0, v0); glVertex2f(tl.x, tl.y);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void Renderer::drawSolidQuad(const AffineTransform& t, const Rect& quad, const Color4B& color) {
    if (color.a == 0) return;
    if (isCulled(t, quad)) return;
    if (!_useGL) return;
    const Vec2 bl = t.apply(Vec2(quad.getMinX(), quad.getMinY()));
    const Vec2 br = t.apply(Vec2(quad.getMaxX(), quad.getMinY()));
    const Vec2 tr = t.apply(Vec2(quad.getMaxX(), quad.getMaxY()));
    const Vec2 tl = t.apply(Vec2(quad.getMinX(), quad.getMaxY()));
    glColor4ub(color.r, color.g, color.b, color.a);
    glBegin(GL_QUADS);
    glVertex2f(bl.x, bl.y);
    glVertex2f(br.x, br.y);
    glVertex2f(tr.x, tr.y);
    glVertex2f(tl.x, tl.y);
    glEnd();
}

void Renderer::drawSolidPolygon(const AffineTransform& t, const Vec2* points, std::size_t count,
                                const Color4B& color) {
    if (!points || count < 3 || color.a == 0) return;
    float minX = points[0].x, maxX = points[0].x, minY = points[0].y, maxY = points[0].y;
    for (std::size_t i = 1; i < count; ++i) {
        if (points[i].x < minX) minX = points[i].x;
        if (points[i].x > maxX) maxX = points[i].x;
        if (points[i].y < minY) minY = points[i].y;
        if (points[i].y > maxY) maxY = points[i].y;
    }
    // A degenerate (flat) polygon still has a box to cull against.
    Rect box(minX, minY, maxX - minX, maxY - minY);
    if (box.size.width == 0.0f) box.size.width = 1e-3f;
    if (box.size.height == 0.0f) box.size.height = 1e-3f;
    if (isCulled(t, box)) return;
    if (!_useGL) return;
    glColor4ub(color.r, color.g, color.b, color.a);
    glBegin(GL_TRIANGLE_FAN);
    for (std::size_t i = 0; i < count; ++i) {
        const Vec2 p = t.apply(points[i]);
        glVertex2f(p.x, p.y);
    }
    glEnd();
}

} // namespace cocos2d
