// Text drawn with a system font (rendered by the OS into a texture).
// Main thread.
//
// The text is UTF-8. Content size = the rendered text's size (plus the
// outline on each side), or the dimensions when they are set: a width > 0
// wraps the text at that width, a height > 0 fixes the height (the text is
// placed in it by the vertical alignment and cut when taller). Anchor (0.5,
// 0.5). The texture is made again only after a change, when it is drawn.
#pragma once

#include "2d/CCNode.h"

#include <memory>
#include <string>

namespace cocos2d {

class Texture2D;

class Label : public Node {
public:
    // System font "", size 12, empty text.
    static Label* create();
    static Label* createWithSystemFont(const std::string& text, const std::string& font, float fontSize,
                                       const Size& dimensions = Size::ZERO,
                                       TextHAlignment hAlignment = TextHAlignment::LEFT,
                                       TextVAlignment vAlignment = TextVAlignment::TOP);
    ~Label() override;

    void setString(const std::string& text);
    const std::string& getString() const { return _text; }

    // "" and the generic names "sans-serif", "serif", "monospace" pick an
    // installed face; an unknown name falls back like "sans-serif".
    void setSystemFontName(const std::string& font);
    const std::string& getSystemFontName() const { return _fontName; }
    // Font height in pixels (design units); ignored unless > 0.
    void setSystemFontSize(float fontSize);
    float getSystemFontSize() const { return _fontSize; }

    void setHorizontalAlignment(TextHAlignment hAlignment);
    TextHAlignment getHorizontalAlignment() const { return _hAlignment; }
    void setVerticalAlignment(TextVAlignment vAlignment);
    TextVAlignment getVerticalAlignment() const { return _vAlignment; }
    void setAlignment(TextHAlignment hAlignment);
    void setAlignment(TextHAlignment hAlignment, TextVAlignment vAlignment);

    // The glyph colour (alpha included); Node::setColor tints on top of it.
    void setTextColor(const Color4B& color);
    const Color4B& getTextColor() const { return _textColor; }
    // outlineSize in pixels; <= 0 turns the outline off.
    void enableOutline(const Color4B& outlineColor, int outlineSize = -1);
    void disableEffect();
    int getOutlineSize() const { return _outlineSize; }
    const Color4B& getOutlineColor() const { return _outlineColor; }

    void setDimensions(float width, float height);
    const Size& getDimensions() const { return _dimensions; }
    void setWidth(float width) { setDimensions(width, _dimensions.height); }
    void setHeight(float height) { setDimensions(_dimensions.width, height); }
    float getWidth() const { return _dimensions.width; }
    float getHeight() const { return _dimensions.height; }

    // Lays the text out first when it changed.
    const Size& getContentSize() const override;
    // Ignored: a label's size comes from its text and dimensions.
    void setContentSize(const Size& contentSize) override;

    // The texture of the current text (made on demand; nullptr for an empty
    // text or when the OS could not render it).
    Texture2D* getTexture();

    void draw(Renderer* renderer, const AffineTransform& transform, GLubyte opacity, const Color3B& color) override;

protected:
    Label();

private:
    void markDirty();
    void updateContent() const;

    std::string _text;
    std::string _fontName;
    float _fontSize = 12.0f;
    TextHAlignment _hAlignment = TextHAlignment::LEFT;
    TextVAlignment _vAlignment = TextVAlignment::TOP;
    Color4B _textColor = Color4B(255, 255, 255, 255);
    Color4B _outlineColor = Color4B(0, 0, 0, 255);
    int _outlineSize = 0;
    Size _dimensions;

    mutable bool _dirty = true;
    mutable Texture2D* _texture = nullptr;
};

} // namespace cocos2d
