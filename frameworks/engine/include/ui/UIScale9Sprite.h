// A nine-slice sprite: the corners keep their size, the edges stretch along
// one axis and the centre along both. Main thread.
//
// Cap insets are a rectangle in the image's pixels (origin from the top-left
// corner of the image, as the engine's tools give them): left cap = x, top
// cap = y, right cap = imageW − x − width, bottom cap = imageH − y − height.
// Rect::ZERO (the default) means the middle third. Content size starts as
// the image size. Anchor (0.5, 0.5).
#pragma once

#include "2d/CCNode.h"

#include <string>

namespace cocos2d {

class Texture2D;

namespace ui {

class Scale9Sprite : public Node {
public:
    // No image; draws nothing until one is set.
    static Scale9Sprite* create();
    // nullptr when the file is missing or not a decodable PNG / JPEG.
    static Scale9Sprite* create(const std::string& file);
    static Scale9Sprite* create(const std::string& file, const Rect& capInsets);
    ~Scale9Sprite() override;

    // False (nothing changed) when the file does not load.
    bool setTexture(const std::string& file);
    void setTexture(Texture2D* texture);
    Texture2D* getTexture() const { return _texture; }

    // The image's size in pixels.
    const Size& getOriginalSize() const { return _originalSize; }
    void setCapInsets(const Rect& capInsets);
    const Rect& getCapInsets() const { return _capInsets; }
    // The insets in use (the middle third for Rect::ZERO), clamped to the image.
    Rect getEffectiveCapInsets() const;

    void setPreferredSize(const Size& size) { setContentSize(size); }
    const Size& getPreferredSize() const { return getContentSize(); }

    // false: the whole image is stretched over the content size.
    void setScale9Enabled(bool enabled) { _scale9Enabled = enabled; }
    bool isScale9Enabled() const { return _scale9Enabled; }

    void draw(Renderer* renderer, const AffineTransform& transform, GLubyte opacity, const Color3B& color) override;

protected:
    Scale9Sprite();

private:
    Texture2D* _texture = nullptr;
    Size _originalSize;
    Rect _capInsets;
    bool _scale9Enabled = true;
};

} // namespace ui
} // namespace cocos2d
