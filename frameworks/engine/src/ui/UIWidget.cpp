// Widget base: size adaptation, enabled state and touch handling.
#include "ui/UIWidget.h"

namespace cocos2d {
namespace ui {

Widget* Widget::create() {
    auto* widget = new Widget();
    if (!widget->init()) {
        widget->release();
        return nullptr;
    }
    widget->autorelease();
    return widget;
}

Widget::Widget() {
    _anchorPoint = Vec2(0.5f, 0.5f);
    _cascadeOpacityEnabled = true;
    _cascadeColorEnabled = true;
}

Widget::~Widget() = default;

bool Widget::init() { return true; }

void Widget::setEnabled(bool enabled) {
    _enabled = enabled;
    onPressStateChanged();
}

void Widget::setTouchEnabled(bool enabled) { _touchEnabled = enabled; }

void Widget::setHighlighted(bool highlighted) {
    if (highlighted == _highlighted) return;
    _highlighted = highlighted;
    onPressStateChanged();
}

void Widget::ignoreContentAdaptWithSize(bool ignore) {
    _ignoreSize = ignore;
    Node::setContentSize(ignore ? getVirtualRendererSize() : _customSize);
    onSizeChanged();
}

void Widget::setContentSize(const Size& contentSize) {
    _customSize = contentSize;
    Node::setContentSize(_ignoreSize ? getVirtualRendererSize() : contentSize);
    onSizeChanged();
}

void Widget::updateContentSizeFromRenderer() {
    if (_ignoreSize) Node::setContentSize(getVirtualRendererSize());
    onSizeChanged();
}

bool Widget::hitTest(const Vec2& worldPoint) const {
    const Size& size = getContentSize();
    return Rect(0, 0, size.width, size.height).containsPoint(convertToNodeSpace(worldPoint));
}

bool Widget::canTakeTouch(const Vec2& worldPoint) const {
    if (!_touchEnabled || !_enabled || !isVisibleInTree()) return false;
    // A disabled container disables what is in it.
    for (const Node* p = getParent(); p; p = p->getParent()) {
        const auto* w = dynamic_cast<const Widget*>(p);
        if (w && !w->isEnabled()) return false;
    }
    return hitTest(worldPoint);
}

Widget* Widget::findTouchTarget(Node* root, const Vec2& worldPoint) {
    if (!root || !root->isVisible()) return nullptr;
    root->sortAllChildren();
    const std::vector<Node*>& children = root->getChildren();
    // Reverse drawing order: children above the node, the node, children below it.
    std::size_t firstAbove = 0;
    while (firstAbove < children.size() && children[firstAbove]->getLocalZOrder() < 0) ++firstAbove;
    for (std::size_t i = children.size(); i > firstAbove; --i)
        if (Widget* hit = findTouchTarget(children[i - 1], worldPoint)) return hit;
    auto* self = dynamic_cast<Widget*>(root);
    if (self && self->canTakeTouch(worldPoint)) return self;
    for (std::size_t i = firstAbove; i > 0; --i)
        if (Widget* hit = findTouchTarget(children[i - 1], worldPoint)) return hit;
    return nullptr;
}

void Widget::onTouchBegan(const Vec2& worldPoint) {
    _touchInside = true;
    setHighlighted(true);
    if (!_touchCallback) return;
    auto callback = _touchCallback;
    retain();
    callback(this, TouchEventType::BEGAN);
    release();
}

void Widget::onTouchMoved(const Vec2& worldPoint) {
    _touchInside = hitTest(worldPoint);
    setHighlighted(_touchInside);
    if (!_touchCallback) return;
    auto callback = _touchCallback;
    retain();
    callback(this, TouchEventType::MOVED);
    release();
}

void Widget::onTouchEnded(const Vec2& worldPoint) {
    setHighlighted(false);
    // Still inside, and still something a player can press.
    const bool inside = hitTest(worldPoint) && _enabled && isVisibleInTree();
    _touchInside = false;
    if (inside) {
        releaseUpEvent();
        return;
    }
    if (!_touchCallback) return;
    auto callback = _touchCallback;
    retain();
    callback(this, TouchEventType::CANCELED);
    release();
}

void Widget::onTouchCancelled() {
    _touchInside = false;
    setHighlighted(false);
    if (!_touchCallback) return;
    auto callback = _touchCallback;
    retain();
    callback(this, TouchEventType::CANCELED);
    release();
}

void Widget::releaseUpEvent() {
    // The listeners may remove this widget (freeing it and the closures it
    // holds): keep both the widget and copies of the closures alive until done.
    auto touch = _touchCallback;
    auto click = _clickCallback;
    retain();
    if (touch) touch(this, TouchEventType::ENDED);
    if (click) click(this);
    release();
}

} // namespace ui
} // namespace cocos2d
