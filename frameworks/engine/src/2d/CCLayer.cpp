// Layers.
#include "2d/CCLayer.h"

#include "base/CCDirector.h"
#include "renderer/CCRenderer.h"

namespace cocos2d {

Layer* Layer::create() {
    auto* layer = new Layer();
    if (!layer->init()) {
        layer->release();
        return nullptr;
    }
    layer->autorelease();
    return layer;
}

Layer::Layer() { _ignoreAnchorPointForPosition = true; }

bool Layer::init() {
    setContentSize(Director::getInstance()->getWinSize());
    return true;
}

LayerColor* LayerColor::create() { return create(Color4B(0, 0, 0, 0)); }

LayerColor* LayerColor::create(const Color4B& color) {
    const Size win = Director::getInstance()->getWinSize();
    return create(color, win.width, win.height);
}

LayerColor* LayerColor::create(const Color4B& color, float width, float height) {
    auto* layer = new LayerColor();
    if (!layer->initWithColor(color, width, height)) {
        layer->release();
        return nullptr;
    }
    layer->autorelease();
    return layer;
}

LayerColor::LayerColor() = default;

bool LayerColor::initWithColor(const Color4B& color, float width, float height) {
    setColor(Color3B(color.r, color.g, color.b));
    setOpacity(color.a);
    setContentSize(Size(width, height));
    return true;
}

void LayerColor::changeWidth(float width) { setContentSize(Size(width, getContentSize().height)); }
void LayerColor::changeHeight(float height) { setContentSize(Size(getContentSize().width, height)); }
void LayerColor::changeWidthAndHeight(float width, float height) { setContentSize(Size(width, height)); }

void LayerColor::draw(Renderer* renderer, const AffineTransform& transform, GLubyte opacity, const Color3B& color) {
    const Size& size = getContentSize();
    renderer->drawSolidQuad(transform, Rect(0, 0, size.width, size.height),
                            Color4B(color.r, color.g, color.b, opacity));
}

} // namespace cocos2d
