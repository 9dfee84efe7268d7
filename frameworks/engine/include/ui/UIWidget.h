// The base of the UI widgets: enabled state, touch handling and click
// listeners. Main thread.
//
// Touches: the engine hands each press to the top-most widget (reverse
// drawing order) that is touch-enabled, enabled, visible with all its
// ancestors, and contains the point; only that widget gets the touch. A
// release inside it fires the touch listener (ENDED) and then the click
// listener. The widget keeps itself alive while its listeners run, so a
// listener may remove (and so free) the widget. Widgets are not
// touch-enabled by default; buttons are.
//
// Size: with "ignore content adapt with size" on (the default of image,
// button, bar and text widgets) the content size follows the widget's
// image or text; set it off to size the widget yourself. Anchor (0.5, 0.5).
#pragma once

#include "2d/CCNode.h"

#include <functional>
#include <string>

namespace cocos2d {
namespace ui {

class Widget : public Node {
public:
    enum class TextureResType { LOCAL = 0, PLIST = 1 };
    enum class TouchEventType { BEGAN, MOVED, ENDED, CANCELED };
    typedef std::function<void(Ref*)> ccWidgetClickCallback;
    typedef std::function<void(Ref*, TouchEventType)> ccWidgetTouchCallback;

    static Widget* create();
    ~Widget() override;

    virtual void setEnabled(bool enabled);
    bool isEnabled() const { return _enabled; }
    virtual void setTouchEnabled(bool enabled);
    bool isTouchEnabled() const { return _touchEnabled; }
    // Pressed look (a button's pressed image) while a touch is held inside.
    virtual void setHighlighted(bool highlighted);
    bool isHighlighted() const { return _highlighted; }

    void addClickEventListener(const ccWidgetClickCallback& callback) { _clickCallback = callback; }
    void addTouchEventListener(const ccWidgetTouchCallback& callback) { _touchCallback = callback; }

    virtual void ignoreContentAdaptWithSize(bool ignore);
    bool isIgnoreContentAdaptWithSize() const { return _ignoreSize; }
    void setContentSize(const Size& contentSize) override;
    // The size of what the widget shows (image or text); zero by default.
    virtual Size getVirtualRendererSize() const { return Size::ZERO; }

    // worldPoint inside the widget's (0, 0, contentSize).
    virtual bool hitTest(const Vec2& worldPoint) const;
    // True when the widget may take a touch at worldPoint now.
    bool canTakeTouch(const Vec2& worldPoint) const;

    // Touch steps, called by the engine's touch routing with world points.
    virtual void onTouchBegan(const Vec2& worldPoint);
    virtual void onTouchMoved(const Vec2& worldPoint);
    virtual void onTouchEnded(const Vec2& worldPoint);
    virtual void onTouchCancelled();

    // The widget among root and its descendants that takes a touch at
    // worldPoint (top-most first), or nullptr.
    static Widget* findTouchTarget(Node* root, const Vec2& worldPoint);

protected:
    Widget();
    bool init() override;

    // The size the widget takes when it adapts to its content changed.
    void updateContentSizeFromRenderer();
    virtual void onSizeChanged() {}
    virtual void onPressStateChanged() {}

    bool _ignoreSize = false;
    Size _customSize;

private:
    void releaseUpEvent();

    bool _enabled = true;
    bool _touchEnabled = false;
    bool _highlighted = false;
    bool _touchInside = false;
    ccWidgetClickCallback _clickCallback;
    ccWidgetTouchCallback _touchCallback;
};

} // namespace ui
} // namespace cocos2d
