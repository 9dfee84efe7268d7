// Progress bar widget.
#include "ui/UILoadingBar.h"

#include "base/CCDirector.h"
#include "renderer/CCRenderer.h"
#include "renderer/CCTexture2D.h"
#include "renderer/CCTextureCache.h"
#include "ui/NineSlice.h"

#include <algorithm>

namespace cocos2d {
namespace ui {

LoadingBar* LoadingBar::create() {
    auto* bar = new LoadingBar();
    if (!bar->init()) {
        bar->release();
        return nullptr;
    }
    bar->autorelease();
    return bar;
}

LoadingBar* LoadingBar::create(const std::string& textureName, float percentage) {
    return create(textureName, TextureResType::LOCAL, percentage);
}

LoadingBar* LoadingBar::create(const std::string& textureName, TextureResType texType, float percentage) {
    LoadingBar* bar = create();
    if (!bar) return nullptr;
    bar->loadTexture(textureName, texType);
    bar->setPercent(percentage);
    return bar;
}

LoadingBar::LoadingBar() { _ignoreSize = true; }

LoadingBar::~LoadingBar() {
    if (_texture) _texture->release();
}

bool LoadingBar::init() { return true; }

void LoadingBar::loadTexture(const std::string& texture, TextureResType texType) {
    Texture2D* loaded = nullptr;
    if (!texture.empty() && texType == TextureResType::LOCAL)
        loaded = Director::getInstance()->getTextureCache()->addImage(texture);
    if (loaded) loaded->retain();
    if (_texture) _texture->release();
    _texture = loaded;
    // Without a texture the bar keeps the size it was given (a solid bar).
    if (_texture) updateContentSizeFromRenderer();
}

bool LoadingBar::hasTexture() const { return _texture != nullptr; }

void LoadingBar::setPercent(float percent) { _percent = std::max(0.0f, std::min(100.0f, percent)); }

void LoadingBar::setCapInsets(const Rect& capInsets) { _capInsets = capInsets; }

const Rect& LoadingBar::getCapInsets() const { return _capInsets; }

Size LoadingBar::getVirtualRendererSize() const { return _texture ? _texture->getContentSize() : _customSize; }

void LoadingBar::draw(Renderer* renderer, const AffineTransform& transform, GLubyte opacity, const Color3B& color) {
    const Size& size = getContentSize();
    const float fraction = _percent / 100.0f;
    const float shownWidth = size.width * fraction;
    if (shownWidth <= 0.0f || size.height <= 0.0f) return;
    const float x = _direction == Direction::LEFT ? 0.0f : size.width - shownWidth;
    const Rect dest(x, 0, shownWidth, size.height);
    if (!_texture) {
        renderer->drawSolidQuad(transform, dest, modulate(_barColor, color, opacity));
        return;
    }
    const Color4B tint(color.r, color.g, color.b, opacity);
    if (_scale9Enabled) {
        drawNineSlice(renderer, _texture, _capInsets, transform, dest, tint);
        return;
    }
    // Crop: the shown part of the bar shows the same part of the texture.
    const float u0 = _direction == Direction::LEFT ? 0.0f : 1.0f - fraction;
    const float u1 = _direction == Direction::LEFT ? fraction : 1.0f;
    renderer->drawTexturedQuad(_texture, transform, dest, u0, 0.0f, u1, 1.0f, tint);
}

} // namespace ui
} // namespace cocos2d
