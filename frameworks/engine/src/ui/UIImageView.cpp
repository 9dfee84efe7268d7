// Image widget.
#include "ui/UIImageView.h"

#include "ui/UIScale9Sprite.h"

namespace cocos2d {
namespace ui {

ImageView* ImageView::create() {
    auto* view = new ImageView();
    if (!view->init()) {
        view->release();
        return nullptr;
    }
    view->autorelease();
    return view;
}

ImageView* ImageView::create(const std::string& imageFileName, TextureResType texType) {
    ImageView* view = create();
    if (view) view->loadTexture(imageFileName, texType);
    return view;
}

ImageView::ImageView() { _ignoreSize = true; }

bool ImageView::init() {
    _renderer = Scale9Sprite::create();
    if (!_renderer) return false;
    _renderer->setScale9Enabled(false);
    addProtectedChild(_renderer, -1);
    return true;
}

void ImageView::loadTexture(const std::string& fileName, TextureResType texType) {
    if (fileName.empty() || texType != TextureResType::LOCAL || !_renderer->setTexture(fileName))
        _renderer->setTexture(static_cast<Texture2D*>(nullptr));
    updateContentSizeFromRenderer();
}

bool ImageView::hasTexture() const { return _renderer->getTexture() != nullptr; }

void ImageView::setScale9Enabled(bool enabled) {
    _scale9Enabled = enabled;
    _renderer->setScale9Enabled(enabled);
}

void ImageView::setCapInsets(const Rect& capInsets) { _renderer->setCapInsets(capInsets); }

const Rect& ImageView::getCapInsets() const { return _renderer->getCapInsets(); }

Size ImageView::getVirtualRendererSize() const { return _renderer ? _renderer->getOriginalSize() : Size::ZERO; }

void ImageView::onSizeChanged() {
    if (!_renderer) return;
    const Size& size = getContentSize();
    _renderer->setContentSize(size);
    _renderer->setPosition(size.width * 0.5f, size.height * 0.5f);
}

} // namespace ui
} // namespace cocos2d
