// A container widget (the layout editor's "Panel") with an optional solid
// background colour or image. Anchor (0, 0). Main thread.
#pragma once

#include "ui/UIWidget.h"

#include <string>

namespace cocos2d {
namespace ui {

class Scale9Sprite;

class Layout : public Widget {
public:
    enum class BackGroundColorType { NONE, SOLID, GRADIENT };

    static Layout* create();

    // GRADIENT is drawn as SOLID with the first colour.
    void setBackGroundColorType(BackGroundColorType type) { _colorType = type; }
    BackGroundColorType getBackGroundColorType() const { return _colorType; }
    void setBackGroundColor(const Color3B& color) { _bgColor = color; }
    const Color3B& getBackGroundColor() const { return _bgColor; }
    void setBackGroundColorOpacity(GLubyte opacity) { _bgOpacity = opacity; }
    GLubyte getBackGroundColorOpacity() const { return _bgOpacity; }
    // Stretched over the layout; a missing file shows none.
    void setBackGroundImage(const std::string& fileName, TextureResType texType = TextureResType::LOCAL);
    void setBackGroundImageScale9Enabled(bool enabled);
    void setBackGroundImageCapInsets(const Rect& capInsets);

    void draw(Renderer* renderer, const AffineTransform& transform, GLubyte opacity, const Color3B& color) override;

protected:
    Layout();
    bool init() override;
    void onSizeChanged() override;

private:
    BackGroundColorType _colorType = BackGroundColorType::NONE;
    Color3B _bgColor = Color3B(150, 200, 255);
    GLubyte _bgOpacity = 255;
    Scale9Sprite* _bgImage = nullptr;
};

} // namespace ui
} // namespace cocos2d
