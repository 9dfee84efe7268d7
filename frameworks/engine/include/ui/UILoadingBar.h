// A progress bar: the texture (or, without one, a solid bar of the content
// size) cropped to the percentage from the left or the right. Main thread.
#pragma once

#include "ui/UIWidget.h"

#include <string>

namespace cocos2d {

class Texture2D;

namespace ui {

class LoadingBar : public Widget {
public:
    enum class Direction { LEFT, RIGHT };

    static LoadingBar* create();
    // A missing texture gives a bar without texture (drawn solid).
    static LoadingBar* create(const std::string& textureName, float percentage = 0);
    static LoadingBar* create(const std::string& textureName, TextureResType texType, float percentage = 0);

    void loadTexture(const std::string& texture, TextureResType texType = TextureResType::LOCAL);
    bool hasTexture() const;
    // Clamped to 0..100.
    void setPercent(float percent);
    float getPercent() const { return _percent; }
    void setDirection(Direction direction) { _direction = direction; }
    Direction getDirection() const { return _direction; }
    void setScale9Enabled(bool enabled) { _scale9Enabled = enabled; }
    bool isScale9Enabled() const { return _scale9Enabled; }
    void setCapInsets(const Rect& capInsets);
    const Rect& getCapInsets() const;
    // Colour of the solid bar drawn without a texture.
    void setBarColor(const Color4B& color) { _barColor = color; }
    const Color4B& getBarColor() const { return _barColor; }

    Size getVirtualRendererSize() const override;

    void draw(Renderer* renderer, const AffineTransform& transform, GLubyte opacity, const Color3B& color) override;

protected:
    LoadingBar();
    ~LoadingBar() override;
    bool init() override;

private:
    Texture2D* _texture = nullptr;
    Rect _capInsets;
    float _percent = 0.0f;
    Direction _direction = Direction::LEFT;
    bool _scale9Enabled = false;
    Color4B _barColor = Color4B(95, 215, 125, 255);
};

} // namespace ui
} // namespace cocos2d
