// System-font label: laid out and rendered on demand, after a change.
#include "2d/CCLabel.h"

#include "renderer/CCRenderer.h"
#include "renderer/CCTexture2D.h"
#include "renderer/TextRenderer.h"

namespace cocos2d {

Label* Label::create() {
    auto* label = new Label();
    label->autorelease();
    return label;
}

Label* Label::createWithSystemFont(const std::string& text, const std::string& font, float fontSize,
                                   const Size& dimensions, TextHAlignment hAlignment, TextVAlignment vAlignment) {
    auto* label = new Label();
    label->_text = text;
    label->_fontName = font;
    if (fontSize > 0.0f) label->_fontSize = fontSize;
    label->_dimensions = dimensions;
    label->_hAlignment = hAlignment;
    label->_vAlignment = vAlignment;
    label->autorelease();
    return label;
}

Label::Label() {
    _anchorPoint = Vec2(0.5f, 0.5f);
    _cascadeOpacityEnabled = true;
    _cascadeColorEnabled = true;
}

Label::~Label() {
    if (_texture) _texture->release();
}

void Label::markDirty() { _dirty = true; }

void Label::setString(const std::string& text) {
    if (text == _text) return;
    _text = text;
    markDirty();
}

void Label::setSystemFontName(const std::string& font) {
    if (font == _fontName) return;
    _fontName = font;
    markDirty();
}

void Label::setSystemFontSize(float fontSize) {
    if (fontSize <= 0.0f || fontSize == _fontSize) return;
    _fontSize = fontSize;
    markDirty();
}

void Label::setHorizontalAlignment(TextHAlignment hAlignment) {
    if (hAlignment == _hAlignment) return;
    _hAlignment = hAlignment;
    markDirty();
}

void Label::setVerticalAlignment(TextVAlignment vAlignment) {
    if (vAlignment == _vAlignment) return;
    _vAlignment = vAlignment;
    markDirty();
}

void Label::setAlignment(TextHAlignment hAlignment) { setHorizontalAlignment(hAlignment); }

void Label::setAlignment(TextHAlignment hAlignment, TextVAlignment vAlignment) {
    setHorizontalAlignment(hAlignment);
    setVerticalAlignment(vAlignment);
}

void Label::setTextColor(const Color4B& color) {
    if (color == _textColor) return;
    _textColor = color;
    markDirty();
}

void Label::enableOutline(const Color4B& outlineColor, int outlineSize) {
    const int size = outlineSize > 0 ? outlineSize : 0;
    if (outlineColor == _outlineColor && size == _outlineSize) return;
    _outlineColor = outlineColor;
    _outlineSize = size;
    markDirty();
}

void Label::disableEffect() {
    if (_outlineSize == 0) return;
    _outlineSize = 0;
    markDirty();
}

void Label::setDimensions(float width, float height) {
    const Size dims(width > 0.0f ? width : 0.0f, height > 0.0f ? height : 0.0f);
    if (dims == _dimensions) return;
    _dimensions = dims;
    markDirty();
}

void Label::setContentSize(const Size&) {}

void Label::updateContent() const {
    if (!_dirty) return;
    _dirty = false;
    renderer::TextStyle style;
    style.fontName = _fontName;
    style.fontSize = _fontSize;
    style.hAlignment = _hAlignment;
    style.vAlignment = _vAlignment;
    style.dimensions = _dimensions;
    style.textColor = _textColor;
    style.outlineColor = _outlineColor;
    style.outlineSize = _outlineSize;

    renderer::RenderedText rendered;
    Size size = _dimensions;
    if (renderer::renderText(_text, style, &rendered)) {
        if (!_texture) _texture = new Texture2D();
        size = Size(static_cast<float>(rendered.width), static_cast<float>(rendered.height));
        if (!_texture->initWithRGBA(std::move(rendered.rgba), rendered.width, rendered.height)) {
            _texture->release();
            _texture = nullptr;
        }
    } else if (_texture) {
        _texture->release();
        _texture = nullptr;
    }
    // Node::setContentSize is bypassed on purpose: the label's own override ignores callers.
    const_cast<Label*>(this)->_contentSize = size;
}

const Size& Label::getContentSize() const {
    updateContent();
    return _contentSize;
}

Texture2D* Label::getTexture() {
    updateContent();
    return _texture;
}

void Label::draw(Renderer* renderer, const AffineTransform& transform, GLubyte opacity, const Color3B& color) {
    updateContent();
    if (!_texture) return;
    const Size& size = _contentSize;
    renderer->drawTexturedQuad(_texture, transform, Rect(0, 0, size.width, size.height), 0.0f, 0.0f, 1.0f, 1.0f,
                               Color4B(color.r, color.g, color.b, opacity));
}

} // namespace cocos2d
