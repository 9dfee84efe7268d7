// A textured rectangle. Main thread.
//
// Content size = the texture's size in pixels; anchor (0.5, 0.5). A content
// size set later stretches the texture over it.
#pragma once

#include "2d/CCNode.h"

#include <string>

namespace cocos2d {

class Texture2D;

class Sprite : public Node {
public:
    // An empty sprite (no texture, size 0).
    static Sprite* create();
    // Through FileUtils and the TextureCache; nullptr when the file is
    // missing or is not a decodable PNG / JPEG.
    static Sprite* create(const std::string& filename);
    static Sprite* createWithTexture(Texture2D* texture);

    ~Sprite() override;

    // False (texture unchanged) when the file does not load.
    bool setTexture(const std::string& filename);
    // Retains the texture; the content size becomes its size. nullptr clears it.
    void setTexture(Texture2D* texture);
    Texture2D* getTexture() const { return _texture; }

    void setFlippedX(bool flipped) { _flippedX = flipped; }
    void setFlippedY(bool flipped) { _flippedY = flipped; }
    bool isFlippedX() const { return _flippedX; }
    bool isFlippedY() const { return _flippedY; }

    void draw(Renderer* renderer, const AffineTransform& transform, GLubyte opacity, const Color3B& color) override;

protected:
    Sprite();

private:
    Texture2D* _texture = nullptr;
    bool _flippedX = false;
    bool _flippedY = false;
};

} // namespace cocos2d
