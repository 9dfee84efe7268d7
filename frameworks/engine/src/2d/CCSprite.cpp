// Textured rectangle.
#include "2d/CCSprite.h"

#include "base/CCDirector.h"
#include "renderer/CCRenderer.h"
#include "renderer/CCTexture2D.h"
#include "renderer/CCTextureCache.h"

namespace cocos2d {

Sprite* Sprite::create() {
    auto* sprite = new Sprite();
    sprite->autorelease();
    return sprite;
}

Sprite* Sprite::create(const std::string& filename) {
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(filename);
    if (!texture) return nullptr;
    return createWithTexture(texture);
}

Sprite* Sprite::createWithTexture(Texture2D* texture) {
    if (!texture) return nullptr;
    auto* sprite = new Sprite();
    sprite->setTexture(texture);
    sprite->autorelease();
    return sprite;
}

Sprite::Sprite() { _anchorPoint = Vec2(0.5f, 0.5f); }

Sprite::~Sprite() {
    if (_texture) _texture->release();
}

bool Sprite::setTexture(const std::string& filename) {
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(filename);
    if (!texture) return false;
    setTexture(texture);
    return true;
}

void Sprite::setTexture(Texture2D* texture) {
    if (texture) texture->retain();
    if (_texture) _texture->release();
    _texture = texture;
    setContentSize(texture ? texture->getContentSize() : Size::ZERO);
}

void Sprite::draw(Renderer* renderer, const AffineTransform& transform, GLubyte opacity, const Color3B& color) {
    if (!_texture) return;
    const Size& size = getContentSize();
    const float u0 = _flippedX ? 1.0f : 0.0f, u1 = _flippedX ? 0.0f : 1.0f;
    const float v0 = _flippedY ? 1.0f : 0.0f, v1 = _flippedY ? 0.0f : 1.0f;
    renderer->drawTexturedQuad(_texture, transform, Rect(0, 0, size.width, size.height), u0, v0, u1, v1,
                               Color4B(color.r, color.g, color.b, opacity));
}

} // namespace cocos2d
