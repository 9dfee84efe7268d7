// Nine-slice sprite.
#include "ui/UIScale9Sprite.h"

#include "base/CCDirector.h"
#include "renderer/CCRenderer.h"
#include "renderer/CCTexture2D.h"
#include "renderer/CCTextureCache.h"
#include "ui/NineSlice.h"

namespace cocos2d {
namespace ui {

Scale9Sprite* Scale9Sprite::create() {
    auto* sprite = new Scale9Sprite();
    sprite->autorelease();
    return sprite;
}

Scale9Sprite* Scale9Sprite::create(const std::string& file) { return create(file, Rect::ZERO); }

Scale9Sprite* Scale9Sprite::create(const std::string& file, const Rect& capInsets) {
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(file);
    if (!texture) return nullptr;
    auto* sprite = new Scale9Sprite();
    sprite->setTexture(texture);
    sprite->setCapInsets(capInsets);
    sprite->autorelease();
    return sprite;
}

Scale9Sprite::Scale9Sprite() { _anchorPoint = Vec2(0.5f, 0.5f); }

Scale9Sprite::~Scale9Sprite() {
    if (_texture) _texture->release();
}

bool Scale9Sprite::setTexture(const std::string& file) {
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(file);
    if (!texture) return false;
    setTexture(texture);
    return true;
}

void Scale9Sprite::setTexture(Texture2D* texture) {
    if (texture) texture->retain();
    if (_texture) _texture->release();
    _texture = texture;
    _originalSize = texture ? texture->getContentSize() : Size::ZERO;
    setContentSize(_originalSize);
}

void Scale9Sprite::setCapInsets(const Rect& capInsets) { _capInsets = capInsets; }

Rect Scale9Sprite::getEffectiveCapInsets() const { return effectiveCapInsets(_capInsets, _originalSize); }

void Scale9Sprite::draw(Renderer* renderer, const AffineTransform& transform, GLubyte opacity, const Color3B& color) {
    if (!_texture) return;
    const Size& size = getContentSize();
    const Rect dest(0, 0, size.width, size.height);
    const Color4B tint(color.r, color.g, color.b, opacity);
    if (_scale9Enabled)
        drawNineSlice(renderer, _texture, _capInsets, transform, dest, tint);
    else
        drawStretched(renderer, _texture, transform, dest, tint);
}

} // namespace ui
} // namespace cocos2d
