// The scene-graph node: a tree of reference-counted nodes with placement,
// size, visibility, order, opacity and colour. Main thread.
//
// Ownership: create() returns an autoreleased node (the autorelease pool
// drops that reference at the end of the frame), addChild retains the child,
// removeFromParent / removeChild release it, and a node releases its
// children when it dies.
//
// Order: children are drawn by local z order, equal z in the order they were
// added (setLocalZOrder counts as a new addition among its equals). A visit
// sorts getChildren() into that order. Children with z < 0 are drawn below
// their parent, the others above it.
//
// Placement: a node's lower-left corner in its parent is
// position − anchor × contentSize × scale (rotation about the anchor),
// unless the anchor is ignored for position (layers, scenes), in which case
// position is the lower-left corner.
#pragma once

#include "base/CCRef.h"
#include "base/CCThreadChecker.h"
#include "base/ccTypes.h"
#include "math/CCGeometry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cocos2d {

class Renderer;

class Node : public Ref {
public:
    static Node* create();
    ~Node() override;

    // ---- tree
    // Keeps the child's own local z order.
    virtual void addChild(Node* child);
    virtual void addChild(Node* child, int localZOrder);
    virtual void addChild(Node* child, int localZOrder, int tag);
    virtual void addChild(Node* child, int localZOrder, const std::string& name);
    // Ignored for a node that is not a child of this one.
    virtual void removeChild(Node* child, bool cleanup = true);
    virtual void removeAllChildren();
    // The node may be freed by this call when its parent held the last reference.
    virtual void removeFromParent();
    void removeFromParentAndCleanup(bool cleanup);
    Node* getParent() const { return _parent; }
    const std::vector<Node*>& getChildren() const { return _children; }
    std::size_t getChildrenCount() const { return _children.size(); }
    // First direct child with the name / tag, in child order; nullptr when none.
    Node* getChildByName(const std::string& name) const;
    Node* getChildByTag(int tag) const;

    // ---- placement
    virtual void setPosition(float x, float y);
    virtual void setPosition(const Vec2& position);
    const Vec2& getPosition() const { return _position; }
    float getPositionX() const { return _position.x; }
    float getPositionY() const { return _position.y; }
    void setPositionX(float x);
    void setPositionY(float y);
    virtual void setAnchorPoint(const Vec2& anchorPoint);
    const Vec2& getAnchorPoint() const { return _anchorPoint; }
    Vec2 getAnchorPointInPoints() const;
    void setIgnoreAnchorPointForPosition(bool ignore);
    bool isIgnoreAnchorPointForPosition() const { return _ignoreAnchorPointForPosition; }
    virtual void setScale(float scale);
    virtual void setScale(float scaleX, float scaleY);
    virtual void setScaleX(float scaleX);
    virtual void setScaleY(float scaleY);
    // scaleX (the two are meant to be equal when this is asked).
    float getScale() const { return _scaleX; }
    float getScaleX() const { return _scaleX; }
    float getScaleY() const { return _scaleY; }
    // Degrees, clockwise.
    virtual void setRotation(float degrees);
    float getRotation() const { return _rotation; }

    // ---- size and state
    virtual void setContentSize(const Size& contentSize);
    virtual const Size& getContentSize() const;
    virtual void setVisible(bool visible);
    bool isVisible() const { return _visible; }

    // ---- naming and order
    void setName(const std::string& name) { _name = name; }
    const std::string& getName() const { return _name; }
    void setTag(int tag) { _tag = tag; }
    int getTag() const { return _tag; }
    virtual void setLocalZOrder(int localZOrder);
    int getLocalZOrder() const { return _localZOrder; }
    // Global counter value of the last addition / reorder (ties of z).
    std::uint64_t getOrderOfArrival() const { return _orderOfArrival; }

    // ---- opacity and colour (multiplied into the drawing)
    virtual void setOpacity(GLubyte opacity);
    GLubyte getOpacity() const { return _realOpacity; }
    // Own opacity × the parent's displayed opacity when the parent cascades.
    GLubyte getDisplayedOpacity() const;
    virtual void setColor(const Color3B& color);
    const Color3B& getColor() const { return _realColor; }
    Color3B getDisplayedColor() const;
    void setCascadeOpacityEnabled(bool enabled) { _cascadeOpacityEnabled = enabled; }
    bool isCascadeOpacityEnabled() const { return _cascadeOpacityEnabled; }
    void setCascadeColorEnabled(bool enabled) { _cascadeColorEnabled = enabled; }
    bool isCascadeColorEnabled() const { return _cascadeColorEnabled; }

    // ---- geometry
    // (0, 0, contentSize) through the node-to-parent transform, in the parent's space.
    Rect getBoundingBox() const;
    AffineTransform getNodeToParentTransform() const;
    AffineTransform getNodeToWorldTransform() const;
    AffineTransform getWorldToNodeTransform() const;
    // World = the space of the root of this node's tree (the scene).
    Vec2 convertToNodeSpace(const Vec2& worldPoint) const;
    Vec2 convertToWorldSpace(const Vec2& nodePoint) const;
    // True when this node and every ancestor are visible.
    bool isVisibleInTree() const;

    // ---- drawing (called by the renderer)
    // Draws this node's subtree: protected children and children below z 0,
    // the node itself, then the rest; skipped when invisible.
    virtual void visit(Renderer* renderer, const AffineTransform& parentTransform, GLubyte parentOpacity,
                       const Color3B& parentColor);
    // The node's own content; nothing for a plain node.
    virtual void draw(Renderer* renderer, const AffineTransform& transform, GLubyte opacity, const Color3B& color);
    // Sorts children (and protected children) by (z, order of arrival).
    void sortAllChildren();

protected:
    Node();
    virtual bool init();

    // Internal parts of a composite node (a widget's renderers): drawn like
    // children but not listed in getChildren(). Retained like children.
    void addProtectedChild(Node* child, int localZOrder = 0);
    void removeProtectedChild(Node* child);
    const std::vector<Node*>& getProtectedChildren() const { return _protectedChildren; }

    // Called after the content size changed.
    virtual void onContentSizeChanged() {}

    ThreadChecker _thread;
    Size _contentSize;
    Vec2 _anchorPoint;
    bool _ignoreAnchorPointForPosition = false;
    bool _cascadeOpacityEnabled = false;
    bool _cascadeColorEnabled = false;

private:
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    void attachChild(Node* child, int localZOrder, bool isProtected);
    void detachChild(std::vector<Node*>& list, Node* child);

    Node* _parent = nullptr;
    bool _isProtected = false;
    std::vector<Node*> _children;
    std::vector<Node*> _protectedChildren;
    bool _childrenOrderDirty = false;

    Vec2 _position;
    float _scaleX = 1.0f;
    float _scaleY = 1.0f;
    float _rotation = 0.0f;
    bool _visible = true;
    std::string _name;
    int _tag = -1;
    int _localZOrder = 0;
    std::uint64_t _orderOfArrival = 0;
    GLubyte _realOpacity = 255;
    Color3B _realColor = Color3B(255, 255, 255);
};

} // namespace cocos2d
