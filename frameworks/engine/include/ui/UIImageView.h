// A widget showing one image, stretched or nine-sliced. Main thread.
//
// A missing image does not fail creation: the widget exists and shows
// nothing (content size 0 while it adapts to its content).
#pragma once

#include "ui/UIWidget.h"

#include <string>

namespace cocos2d {
namespace ui {

class Scale9Sprite;

class ImageView : public Widget {
public:
    static ImageView* create();
    static ImageView* create(const std::string& imageFileName, TextureResType texType = TextureResType::LOCAL);

    // PLIST (sprite-frame names) is not supported: loads nothing.
    void loadTexture(const std::string& fileName, TextureResType texType = TextureResType::LOCAL);
    // True when the last loadTexture found a decodable image.
    bool hasTexture() const;
    void setScale9Enabled(bool enabled);
    bool isScale9Enabled() const { return _scale9Enabled; }
    void setCapInsets(const Rect& capInsets);
    const Rect& getCapInsets() const;

    Size getVirtualRendererSize() const override;
    Scale9Sprite* getRenderer() const { return _renderer; }

protected:
    ImageView();
    bool init() override;
    void onSizeChanged() override;

private:
    Scale9Sprite* _renderer = nullptr;
    bool _scale9Enabled = false;
};

} // namespace ui
} // namespace cocos2d
