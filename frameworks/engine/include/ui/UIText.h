// A text widget on a system-font Label. Main thread.
#pragma once

#include "ui/UIWidget.h"

#include <string>

namespace cocos2d {

class Label;

namespace ui {

class Text : public Widget {
public:
    // Text "", font "", size 10.
    static Text* create();
    static Text* create(const std::string& textContent, const std::string& fontName, float fontSize);

    void setString(const std::string& text);
    const std::string& getString() const;
    void setFontSize(float size);
    float getFontSize() const;
    void setFontName(const std::string& name);
    const std::string& getFontName() const;
    void setTextColor(const Color4B& color);
    const Color4B& getTextColor() const;
    void setTextHorizontalAlignment(TextHAlignment alignment);
    TextHAlignment getTextHorizontalAlignment() const;
    void setTextVerticalAlignment(TextVAlignment alignment);
    TextVAlignment getTextVerticalAlignment() const;
    // Wrap width / fixed height of the text; zero means none.
    void setTextAreaSize(const Size& size);
    const Size& getTextAreaSize() const;
    void enableOutline(const Color4B& outlineColor, int outlineSize = 1);

    Size getVirtualRendererSize() const override;
    Label* getRenderer() const { return _label; }

protected:
    Text();
    bool init() override;
    void onSizeChanged() override;

private:
    Label* _label = nullptr;
};

} // namespace ui
} // namespace cocos2d
