// A clickable widget with normal / pressed / disabled images and a title.
// Main thread.
//
// Content size = the normal image's size (while it adapts to its content).
// A missing normal image does not fail creation: the button is then drawn
// without an image and sized to its title with a margin, so it stays
// clickable. Touch-enabled from the start.
#pragma once

#include "ui/UIWidget.h"

#include <string>

namespace cocos2d {

class Label;

namespace ui {

class Scale9Sprite;

class Button : public Widget {
public:
    static Button* create();
    static Button* create(const std::string& normalImage, const std::string& selectedImage = "",
                          const std::string& disableImage = "", TextureResType texType = TextureResType::LOCAL);

    void loadTextures(const std::string& normal, const std::string& selected, const std::string& disabled = "",
                      TextureResType texType = TextureResType::LOCAL);
    void loadTextureNormal(const std::string& normal, TextureResType texType = TextureResType::LOCAL);
    void loadTexturePressed(const std::string& selected, TextureResType texType = TextureResType::LOCAL);
    void loadTextureDisabled(const std::string& disabled, TextureResType texType = TextureResType::LOCAL);
    bool hasNormalTexture() const;
    bool hasPressedTexture() const;
    bool hasDisabledTexture() const;

    void setTitleText(const std::string& text);
    const std::string& getTitleText() const;
    void setTitleFontSize(float size);
    float getTitleFontSize() const;
    void setTitleFontName(const std::string& fontName);
    const std::string& getTitleFontName() const;
    void setTitleColor(const Color3B& color);
    Color3B getTitleColor() const;
    Label* getTitleRenderer() const { return _title; }

    void setScale9Enabled(bool enabled);
    bool isScale9Enabled() const { return _scale9Enabled; }
    void setCapInsets(const Rect& capInsets);

    // Which image is shown now: 0 normal, 1 pressed, 2 disabled.
    int getShownState() const;

    Size getVirtualRendererSize() const override;
    void setEnabled(bool enabled) override;

protected:
    Button();
    bool init() override;
    void onSizeChanged() override;
    void onPressStateChanged() override;

private:
    void updateShownRenderer();
    void layoutRenderers();

    Scale9Sprite* _normal = nullptr;
    Scale9Sprite* _pressed = nullptr;
    Scale9Sprite* _disabled = nullptr;
    Label* _title = nullptr;
    bool _scale9Enabled = false;
};

} // namespace ui
} // namespace cocos2d
