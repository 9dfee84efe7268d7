// Text widget.
#include "ui/UIText.h"

#include "2d/CCLabel.h"

namespace cocos2d {
namespace ui {

Text* Text::create() {
    auto* text = new Text();
    if (!text->init()) {
        text->release();
        return nullptr;
    }
    text->autorelease();
    return text;
}

Text* Text::create(const std::string& textContent, const std::string& fontName, float fontSize) {
    Text* text = create();
    if (!text) return nullptr;
    text->setFontName(fontName);
    text->setFontSize(fontSize);
    text->setString(textContent);
    return text;
}

Text::Text() { _ignoreSize = true; }

bool Text::init() {
    _label = Label::createWithSystemFont("", "", 10.0f);
    if (!_label) return false;
    addProtectedChild(_label, -1);
    updateContentSizeFromRenderer();
    return true;
}

void Text::setString(const std::string& text) {
    _label->setString(text);
    updateContentSizeFromRenderer();
}

const std::string& Text::getString() const { return _label->getString(); }

void Text::setFontSize(float size) {
    _label->setSystemFontSize(size);
    updateContentSizeFromRenderer();
}

float Text::getFontSize() const { return _label->getSystemFontSize(); }

void Text::setFontName(const std::string& name) {
    _label->setSystemFontName(name);
    updateContentSizeFromRenderer();
}

const std::string& Text::getFontName() const { return _label->getSystemFontName(); }

void Text::setTextColor(const Color4B& color) { _label->setTextColor(color); }

const Color4B& Text::getTextColor() const { return _label->getTextColor(); }

void Text::setTextHorizontalAlignment(TextHAlignment alignment) { _label->setHorizontalAlignment(alignment); }

TextHAlignment Text::getTextHorizontalAlignment() const { return _label->getHorizontalAlignment(); }

void Text::setTextVerticalAlignment(TextVAlignment alignment) { _label->setVerticalAlignment(alignment); }

TextVAlignment Text::getTextVerticalAlignment() const { return _label->getVerticalAlignment(); }

void Text::setTextAreaSize(const Size& size) {
    _label->setDimensions(size.width, size.height);
    updateContentSizeFromRenderer();
}

const Size& Text::getTextAreaSize() const { return _label->getDimensions(); }

void Text::enableOutline(const Color4B& outlineColor, int outlineSize) {
    _label->enableOutline(outlineColor, outlineSize);
    updateContentSizeFromRenderer();
}

Size Text::getVirtualRendererSize() const { return _label ? _label->getContentSize() : Size::ZERO; }

void Text::onSizeChanged() {
    if (!_label) return;
    const Size& size = getContentSize();
    _label->setPosition(size.width * 0.5f, size.height * 0.5f);
}

} // namespace ui
} // namespace cocos2d
