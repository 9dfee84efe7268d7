// The scene-graph node.
#include "2d/CCNode.h"

#include "base/CCConsole.h"

#include <algorithm>
#include <cmath>

namespace cocos2d {

namespace {

// Ties of z are broken by this counter, so "later added draws later".
std::uint64_t g_orderOfArrival = 0;

bool drawsBefore(const Node* a, const Node* b) {
    if (a->getLocalZOrder() != b->getLocalZOrder()) return a->getLocalZOrder() < b->getLocalZOrder();
    return a->getOrderOfArrival() < b->getOrderOfArrival();
}

GLubyte scaleByte(GLubyte v, GLubyte by) { return static_cast<GLubyte>(static_cast<unsigned>(v) * by / 255u); }

Color3B scaleColor(const Color3B& c, const Color3B& by) {
    return Color3B(scaleByte(c.r, by.r), scaleByte(c.g, by.g), scaleByte(c.b, by.b));
}

} // namespace

Node* Node::create() {
    auto* node = new Node();
    if (!node->init()) {
        node->release();
        return nullptr;
    }
    node->autorelease();
    return node;
}

Node::Node() = default;

Node::~Node() {
    for (std::vector<Node*>* list : {&_children, &_protectedChildren}) {
        std::vector<Node*> children = std::move(*list);
        list->clear();
        for (Node* child : children) {
            child->_parent = nullptr;
            child->release();
        }
    }
}

bool Node::init() { return true; }

// ---- tree

void Node::addChild(Node* child) {
    if (!child) return;
    addChild(child, child->_localZOrder);
}

void Node::addChild(Node* child, int localZOrder) {
    _thread.check("Node::addChild");
    attachChild(child, localZOrder, false);
}

void Node::addChild(Node* child, int localZOrder, int tag) {
    if (!child) return;
    child->setTag(tag);
    addChild(child, localZOrder);
}

void Node::addChild(Node* child, int localZOrder, const std::string& name) {
    if (!child) return;
    child->setName(name);
    addChild(child, localZOrder);
}

void Node::addProtectedChild(Node* child, int localZOrder) {
    _thread.check("Node::addProtectedChild");
    attachChild(child, localZOrder, true);
}

void Node::attachChild(Node* child, int localZOrder, bool isProtected) {
    if (!child) return;
    if (child == this || child->_parent) {
        // Two parents (or a cycle) would free the node twice.
        log("cocos2d: Node::addChild: the child already has a parent; not added");
        return;
    }
    for (const Node* p = this; p; p = p->_parent) {
        if (p == child) {
            log("cocos2d: Node::addChild: a node cannot be added below itself");
            return;
        }
    }
    child->retain();
    child->_parent = this;
    child->_isProtected = isProtected;
    child->_localZOrder = localZOrder;
    child->_orderOfArrival = ++g_orderOfArrival;
    (isProtected ? _protectedChildren : _children).push_back(child);
    _childrenOrderDirty = true;
}

void Node::detachChild(std::vector<Node*>& list, Node* child) {
    auto it = std::find(list.begin(), list.end(), child);
    if (it == list.end()) return;
    list.erase(it);
    child->_parent = nullptr;
    child->_isProtected = false;
    child->release();
}

void Node::removeChild(Node* child, bool /*cleanup*/) {
    _thread.check("Node::removeChild");
    if (!child || child->_parent != this || child->_isProtected) return;
    detachChild(_children, child);
}

void Node::removeProtectedChild(Node* child) {
    _thread.check("Node::removeProtectedChild");
    if (!child || child->_parent != this || !child->_isProtected) return;
    detachChild(_protectedChildren, child);
}

void Node::removeAllChildren() {
    _thread.check("Node::removeAllChildren");
    std::vector<Node*> children = std::move(_children);
    _children.clear();
    for (Node* child : children) {
        child->_parent = nullptr;
        child->release();
    }
}

void Node::removeFromParent() { removeFromParentAndCleanup(true); }

void Node::removeFromParentAndCleanup(bool cleanup) {
    _thread.check("Node::removeFromParent");
    Node* parent = _parent;
    if (!parent) return;
    // May free this node: nothing of it is used afterwards.
    if (_isProtected)
        parent->removeProtectedChild(this);
    else
        parent->removeChild(this, cleanup);
}

Node* Node::getChildByName(const std::string& name) const {
    for (Node* child : _children)
        if (child->_name == name) return child;
    return nullptr;
}

Node* Node::getChildByTag(int tag) const {
    for (Node* child : _children)
        if (child->_tag == tag) return child;
    return nullptr;
}

void Node::sortAllChildren() {
    if (!_childrenOrderDirty) return;
    std::sort(_children.begin(), _children.end(), drawsBefore);
    std::sort(_protectedChildren.begin(), _protectedChildren.end(), drawsBefore);
    _childrenOrderDirty = false;
}

// ---- placement

void Node::setPosition(float x, float y) { _position = Vec2(x, y); }
void Node::setPosition(const Vec2& position) { setPosition(position.x, position.y); }
void Node::setPositionX(float x) { setPosition(x, _position.y); }
void Node::setPositionY(float y) { setPosition(_position.x, y); }
void Node::setAnchorPoint(const Vec2& anchorPoint) { _anchorPoint = anchorPoint; }

Vec2 Node::getAnchorPointInPoints() const {
    const Size& size = getContentSize();
    return Vec2(_anchorPoint.x * size.width, _anchorPoint.y * size.height);
}

void Node::setIgnoreAnchorPointForPosition(bool ignore) { _ignoreAnchorPointForPosition = ignore; }
void Node::setScale(float scale) { setScale(scale, scale); }
void Node::setScale(float scaleX, float scaleY) {
    _scaleX = scaleX;
    _scaleY = scaleY;
}
void Node::setScaleX(float scaleX) { setScale(scaleX, _scaleY); }
void Node::setScaleY(float scaleY) { setScale(_scaleX, scaleY); }
void Node::setRotation(float degrees) { _rotation = degrees; }

// ---- size and state

void Node::setContentSize(const Size& contentSize) {
    if (_contentSize.equals(contentSize)) return;
    _contentSize = contentSize;
    onContentSizeChanged();
}

const Size& Node::getContentSize() const { return _contentSize; }

void Node::setVisible(bool visible) { _visible = visible; }

void Node::setLocalZOrder(int localZOrder) {
    _thread.check("Node::setLocalZOrder");
    _localZOrder = localZOrder;
    if (!_parent) return;
    // A reorder counts as a new arrival among the nodes of equal z.
    _orderOfArrival = ++g_orderOfArrival;
    _parent->_childrenOrderDirty = true;
}

// ---- opacity and colour

void Node::setOpacity(GLubyte opacity) { _realOpacity = opacity; }

GLubyte Node::getDisplayedOpacity() const {
    GLubyte opacity = _realOpacity;
    for (const Node* p = _parent; p && p->_cascadeOpacityEnabled; p = p->_parent)
        opacity = scaleByte(opacity, p->_realOpacity);
    return opacity;
}

void Node::setColor(const Color3B& color) { _realColor = color; }

Color3B Node::getDisplayedColor() const {
    Color3B color = _realColor;
    for (const Node* p = _parent; p && p->_cascadeColorEnabled; p = p->_parent)
        color = scaleColor(color, p->_realColor);
    return color;
}

// ---- geometry

AffineTransform Node::getNodeToParentTransform() const {
    const Vec2 ap = getAnchorPointInPoints();
    float x = _position.x;
    float y = _position.y;
    if (_ignoreAnchorPointForPosition) {
        x += ap.x;
        y += ap.y;
    }
    float cosR = 1.0f, sinR = 0.0f;
    if (_rotation != 0.0f) {
        const float radians = -_rotation * 3.14159265358979f / 180.0f; // clockwise
        cosR = std::cos(radians);
        sinR = std::sin(radians);
    }
    const float a = cosR * _scaleX, b = sinR * _scaleX;
    const float c = -sinR * _scaleY, d = cosR * _scaleY;
    // Translate so that the anchor lands on (x, y).
    return AffineTransform(a, b, c, d, x - (a * ap.x + c * ap.y), y - (b * ap.x + d * ap.y));
}

AffineTransform Node::getNodeToWorldTransform() const {
    AffineTransform t = getNodeToParentTransform();
    for (const Node* p = _parent; p; p = p->_parent) t = p->getNodeToParentTransform().concat(t);
    return t;
}

AffineTransform Node::getWorldToNodeTransform() const { return getNodeToWorldTransform().invert(); }

Rect Node::getBoundingBox() const {
    const Size& size = getContentSize();
    return getNodeToParentTransform().apply(Rect(0, 0, size.width, size.height));
}

Vec2 Node::convertToNodeSpace(const Vec2& worldPoint) const { return getWorldToNodeTransform().apply(worldPoint); }

Vec2 Node::convertToWorldSpace(const Vec2& nodePoint) const { return getNodeToWorldTransform().apply(nodePoint); }

bool Node::isVisibleInTree() const {
    for (const Node* n = this; n; n = n->_parent)
        if (!n->_visible) return false;
    return true;
}

// ---- drawing

void Node::visit(Renderer* renderer, const AffineTransform& parentTransform, GLubyte parentOpacity,
                 const Color3B& parentColor) {
    if (!_visible) return;
    sortAllChildren();
    const AffineTransform transform = parentTransform.concat(getNodeToParentTransform());
    const GLubyte opacity = scaleByte(_realOpacity, parentOpacity);
    const Color3B color = scaleColor(_realColor, parentColor);
    const GLubyte childOpacity = _cascadeOpacityEnabled ? opacity : 255;
    const Color3B childColor = _cascadeColorEnabled ? color : Color3B(255, 255, 255);

    std::size_t p = 0, c = 0;
    for (; p < _protectedChildren.size() && _protectedChildren[p]->_localZOrder < 0; ++p)
        _protectedChildren[p]->visit(renderer, transform, childOpacity, childColor);
    for (; c < _children.size() && _children[c]->_localZOrder < 0; ++c)
        _children[c]->visit(renderer, transform, childOpacity, childColor);
    draw(renderer, transform, opacity, color);
    for (; p < _protectedChildren.size(); ++p)
        _protectedChildren[p]->visit(renderer, transform, childOpacity, childColor);
    for (; c < _children.size(); ++c) _children[c]->visit(renderer, transform, childOpacity, childColor);
}

void Node::draw(Renderer*, const AffineTransform&, GLubyte, const Color3B&) {}

} // namespace cocos2d
