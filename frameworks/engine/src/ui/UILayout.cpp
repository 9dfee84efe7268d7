// Container widget with a background.
#include "ui/UILayout.h"

#include "renderer/CCRenderer.h"
#include "ui/UIScale9Sprite.h"

namespace cocos2d {
namespace ui {

Layout* Layout::create() {
    auto* layout = new Layout();
    if (!layout->init()) {
        layout->release();
        return nullptr;
    }
    layout->autorelease();
    return layout;
}

Layout::Layout() { _anchorPoint = Vec2(0.0f, 0.0f); }

bool Layout::init() { return true; }

void Layout::setBackGroundImage(const std::string& fileName, TextureResType texType) {
    if (!_bgImage) {
        _bgImage = Scale9Sprite::create();
        if (!_bgImage) return;
        _bgImage->setScale9Enabled(false);
        _bgImage->setAnchorPoint(Vec2(0.0f, 0.0f));
        addProtectedChild(_bgImage, 0);
    }
    if (fileName.empty() || texType != TextureResType::LOCAL || !_bgImage->setTexture(fileName))
        _bgImage->setTexture(static_cast<Texture2D*>(nullptr));
    _bgImage->setContentSize(getContentSize());
}

void Layout::setBackGroundImageScale9Enabled(bool enabled) {
    if (_bgImage) _bgImage->setScale9Enabled(enabled);
}

void Layout::setBackGroundImageCapInsets(const Rect& capInsets) {
    if (_bgImage) _bgImage->setCapInsets(capInsets);
}

void Layout::onSizeChanged() {
    if (_bgImage) _bgImage->setContentSize(getContentSize());
}

void Layout::draw(Renderer* renderer, const AffineTransform& transform, GLubyte opacity, const Color3B& color) {
    if (_colorType == BackGroundColorType::NONE) return;
    const Size& size = getContentSize();
    const Color4B fill = modulate(Color4B(_bgColor, _bgOpacity), color, opacity);
    renderer->drawSolidQuad(transform, Rect(0, 0, size.width, size.height), fill);
}

} // namespace ui
} // namespace cocos2d
