// Button widget.
#include "ui/UIButton.h"

#include "2d/CCLabel.h"
#include "ui/UIScale9Sprite.h"

namespace cocos2d {
namespace ui {

namespace {

// Room around the title of a button that has no image, so it stays a target.
const float kBareButtonMarginX = 24.0f;
const float kBareButtonMarginY = 12.0f;

bool load(Scale9Sprite* sprite, const std::string& file, Widget::TextureResType type) {
    if (file.empty() || type != Widget::TextureResType::LOCAL || !sprite->setTexture(file)) {
        sprite->setTexture(static_cast<Texture2D*>(nullptr));
        return false;
    }
    return true;
}

} // namespace

Button* Button::create() {
    auto* button = new Button();
    if (!button->init()) {
        button->release();
        return nullptr;
    }
    button->autorelease();
    return button;
}

Button* Button::create(const std::string& normalImage, const std::string& selectedImage,
                       const std::string& disableImage, TextureResType texType) {
    Button* button = create();
    if (button) button->loadTextures(normalImage, selectedImage, disableImage, texType);
    return button;
}

Button::Button() { _ignoreSize = true; }

bool Button::init() {
    _normal = Scale9Sprite::create();
    _pressed = Scale9Sprite::create();
    _disabled = Scale9Sprite::create();
    _title = Label::createWithSystemFont("", "", 14.0f);
    if (!_normal || !_pressed || !_disabled || !_title) return false;
    for (Scale9Sprite* s : {_normal, _pressed, _disabled}) {
        s->setScale9Enabled(false);
        addProtectedChild(s, -2);
    }
    _title->setHorizontalAlignment(TextHAlignment::CENTER);
    addProtectedChild(_title, -1);
    setTouchEnabled(true);
    updateShownRenderer();
    updateContentSizeFromRenderer();
    return true;
}

void Button::loadTextures(const std::string& normal, const std::string& selected, const std::string& disabled,
                          TextureResType texType) {
    load(_normal, normal, texType);
    load(_pressed, selected, texType);
    load(_disabled, disabled, texType);
    updateShownRenderer();
    updateContentSizeFromRenderer();
}

void Button::loadTextureNormal(const std::string& normal, TextureResType texType) {
    load(_normal, normal, texType);
    updateShownRenderer();
    updateContentSizeFromRenderer();
}

void Button::loadTexturePressed(const std::string& selected, TextureResType texType) {
    load(_pressed, selected, texType);
    updateShownRenderer();
}

void Button::loadTextureDisabled(const std::string& disabled, TextureResType texType) {
    load(_disabled, disabled, texType);
    updateShownRenderer();
}

bool Button::hasNormalTexture() const { return _normal->getTexture() != nullptr; }
bool Button::hasPressedTexture() const { return _pressed->getTexture() != nullptr; }
bool Button::hasDisabledTexture() const { return _disabled->getTexture() != nullptr; }

void Button::setTitleText(const std::string& text) {
    _title->setString(text);
    if (!hasNormalTexture()) updateContentSizeFromRenderer();
}

const std::string& Button::getTitleText() const { return _title->getString(); }

void Button::setTitleFontSize(float size) {
    _title->setSystemFontSize(size);
    if (!hasNormalTexture()) updateContentSizeFromRenderer();
}

float Button::getTitleFontSize() const { return _title->getSystemFontSize(); }

void Button::setTitleFontName(const std::string& fontName) {
    _title->setSystemFontName(fontName);
    if (!hasNormalTexture()) updateContentSizeFromRenderer();
}

const std::string& Button::getTitleFontName() const { return _title->getSystemFontName(); }

void Button::setTitleColor(const Color3B& color) { _title->setTextColor(Color4B(color, 255)); }

Color3B Button::getTitleColor() const { return Color3B(_title->getTextColor()); }

void Button::setScale9Enabled(bool enabled) {
    _scale9Enabled = enabled;
    for (Scale9Sprite* s : {_normal, _pressed, _disabled}) s->setScale9Enabled(enabled);
}

void Button::setCapInsets(const Rect& capInsets) {
    for (Scale9Sprite* s : {_normal, _pressed, _disabled}) s->setCapInsets(capInsets);
}

int Button::getShownState() const {
    if (!isEnabled() && hasDisabledTexture()) return 2;
    if (isHighlighted() && hasPressedTexture()) return 1;
    return 0;
}

Size Button::getVirtualRendererSize() const {
    if (!_normal) return Size::ZERO;
    if (hasNormalTexture()) return _normal->getOriginalSize();
    const Size title = _title ? _title->getContentSize() : Size::ZERO;
    return Size(title.width + 2 * kBareButtonMarginX, title.height + 2 * kBareButtonMarginY);
}

void Button::setEnabled(bool enabled) {
    Widget::setEnabled(enabled);
    updateShownRenderer();
}

void Button::onSizeChanged() { layoutRenderers(); }

void Button::onPressStateChanged() { updateShownRenderer(); }

void Button::updateShownRenderer() {
    if (!_normal) return;
    const int state = getShownState();
    _normal->setVisible(state == 0);
    _pressed->setVisible(state == 1);
    _disabled->setVisible(state == 2);
}

void Button::layoutRenderers() {
    if (!_normal) return;
    const Size& size = getContentSize();
    const Vec2 centre(size.width * 0.5f, size.height * 0.5f);
    for (Scale9Sprite* s : {_normal, _pressed, _disabled}) {
        s->setContentSize(size);
        s->setPosition(centre);
    }
    _title->setPosition(centre);
}

} // namespace ui
} // namespace cocos2d
