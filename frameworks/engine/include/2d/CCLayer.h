// Layers: a plain layer and a solid colour rectangle. Main thread.
//
// A layer's position is its lower-left corner (the anchor is ignored for
// position); its anchor is (0, 0).
#pragma once

#include "2d/CCNode.h"

namespace cocos2d {

class Layer : public Node {
public:
    // Covers the Director's window size.
    static Layer* create();

protected:
    Layer();
    bool init() override;
};

// A rectangle of one colour; the colour's alpha is the layer's opacity.
class LayerColor : public Layer {
public:
    static LayerColor* create();
    // Covers the Director's window size, at (0, 0).
    static LayerColor* create(const Color4B& color);
    static LayerColor* create(const Color4B& color, float width, float height);

    void changeWidth(float width);
    void changeHeight(float height);
    void changeWidthAndHeight(float width, float height);

    void draw(Renderer* renderer, const AffineTransform& transform, GLubyte opacity, const Color3B& color) override;

protected:
    LayerColor();
    bool initWithColor(const Color4B& color, float width, float height);
};

} // namespace cocos2d
