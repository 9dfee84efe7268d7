// The scene graph without a window: ownership, order, placement, the node
// kinds' defaults and what a frame would draw.
#include "2d/CCDrawNode.h"
#include "2d/CCLabel.h"
#include "2d/CCLayer.h"
#include "2d/CCScene.h"
#include "2d/CCSprite.h"
#include "base/CCAutoreleasePool.h"
#include "base/CCDirector.h"
#include "renderer/CCRenderer.h"
#include "ui/CocosGUI.h"

#include "FakeView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace cocos2d;

namespace {

// Records its destruction, and its name into a draw log when drawn.
class ProbeNode : public Node {
public:
    static ProbeNode* make(const std::string& name, bool* died = nullptr, std::vector<std::string>* drawLog = nullptr) {
        auto* node = new ProbeNode();
        node->setName(name);
        node->_died = died;
        node->_drawLog = drawLog;
        node->autorelease();
        return node;
    }
    ~ProbeNode() override {
        if (_died) *_died = true;
    }
    void draw(Renderer*, const AffineTransform&, GLubyte, const Color3B&) override {
        if (_drawLog) _drawLog->push_back(getName());
    }

private:
    bool* _died = nullptr;
    std::vector<std::string>* _drawLog = nullptr;
};

class SceneGraph : public ::testing::Test {
protected:
    void SetUp() override {
        AutoreleasePool::getInstance()->clear();
        Director::getInstance()->startAnimation();
    }
    void TearDown() override {
        Director::getInstance()->purgeDirector();
        AutoreleasePool::getInstance()->clear();
    }
    // Visits the tree the way a frame does, without GL.
    static Renderer visitHeadless(Node* root, const Rect& visible = Rect(-1e6f, -1e6f, 2e6f, 2e6f)) {
        Renderer renderer(false, 0, visible);
        root->visit(&renderer, AffineTransform::IDENTITY, 255, Color3B(255, 255, 255));
        return renderer;
    }
};

TEST_F(SceneGraph, AutoreleasedNodesLiveThroughTheFrameOnlyWhenSomethingHoldsThem) {
    bool sceneDied = false, childDied = false, strayDied = false;
    Scene* scene = Scene::create();
    ProbeNode* child = ProbeNode::make("child", &childDied);
    ProbeNode::make("stray", &strayDied);
    scene->addChild(child);
    EXPECT_EQ(child->getReferenceCount(), 2u); // the pool's and the parent's

    Director::getInstance()->runWithScene(scene);
    Director::getInstance()->mainLoop(1.0f / 60);
    EXPECT_FALSE(sceneDied);
    EXPECT_FALSE(childDied);
    EXPECT_TRUE(strayDied) << "an autoreleased node nobody took must go with the frame's pool";
    EXPECT_EQ(child->getReferenceCount(), 1u);

    bool replacedDied = false;
    auto* tracked = ProbeNode::make("in old scene", &replacedDied);
    scene->addChild(tracked);
    Director::getInstance()->replaceScene(Scene::create());
    Director::getInstance()->mainLoop(1.0f / 60);
    EXPECT_TRUE(replacedDied) << "the replaced scene and its children are freed at the switch";
}

TEST_F(SceneGraph, RemoveFromParentFreesAndParentDeathFreesChildren) {
    bool aDied = false, bDied = false, grandDied = false;
    Node* parent = Node::create();
    parent->retain();
    ProbeNode* a = ProbeNode::make("a", &aDied);
    ProbeNode* b = ProbeNode::make("b", &bDied);
    parent->addChild(a);
    parent->addChild(b);
    b->addChild(ProbeNode::make("grand", &grandDied));
    AutoreleasePool::getInstance()->clear();

    a->removeFromParent();
    EXPECT_TRUE(aDied);
    EXPECT_EQ(parent->getChildrenCount(), 1u);
    EXPECT_EQ(parent->getChildByName("b"), b);
    EXPECT_EQ(parent->getChildByName("a"), nullptr);

    parent->release();
    EXPECT_TRUE(bDied);
    EXPECT_TRUE(grandDied);
}

TEST_F(SceneGraph, ANodeWithAParentOrItsOwnAncestorIsNotAddedTwice) {
    Node* p1 = Node::create();
    Node* p2 = Node::create();
    Node* c = Node::create();
    p1->addChild(c);
    p2->addChild(c); // would give c two owners
    c->addChild(p1); // would make a cycle
    EXPECT_EQ(c->getParent(), p1);
    EXPECT_EQ(p2->getChildrenCount(), 0u);
    EXPECT_EQ(c->getChildrenCount(), 0u);
    EXPECT_EQ(c->getReferenceCount(), 2u);
}

TEST_F(SceneGraph, DrawsByZThenArrivalWithNegativeZBelowTheParent) {
    std::vector<std::string> drawn;
    Node* root = ProbeNode::make("root", nullptr, &drawn);
    root->addChild(ProbeNode::make("z1-first", nullptr, &drawn), 1);
    root->addChild(ProbeNode::make("z-1", nullptr, &drawn), -1);
    root->addChild(ProbeNode::make("z0", nullptr, &drawn));
    root->addChild(ProbeNode::make("z1-second", nullptr, &drawn), 1);
    Node* moved = ProbeNode::make("z0-reordered", nullptr, &drawn);
    root->addChild(moved, 5);
    Node* hidden = ProbeNode::make("hidden", nullptr, &drawn);
    hidden->addChild(ProbeNode::make("under-hidden", nullptr, &drawn));
    hidden->setVisible(false);
    root->addChild(hidden, 2);

    visitHeadless(root);
    EXPECT_EQ(drawn, (std::vector<std::string>{"z-1", "root", "z0", "z1-first", "z1-second", "z0-reordered"}));

    // A reorder to an equal z counts as the latest arrival among its equals.
    drawn.clear();
    root->getChildByName("z1-first")->setLocalZOrder(1);
    moved->setLocalZOrder(0);
    visitHeadless(root);
    EXPECT_EQ(drawn, (std::vector<std::string>{"z-1", "root", "z0", "z0-reordered", "z1-second", "z1-first"}));
    // The children list itself is now in drawing order.
    EXPECT_EQ(root->getChildren().front()->getName(), "z-1");
}

struct PlacementCase {
    const char* what;
    Vec2 parentPos;
    float parentScale;
    Vec2 anchor;
    Vec2 pos;
    Size size;
    float scale;
    bool ignoreAnchor;
    Rect parentBox; // getBoundingBox of the child
    Rect worldBox;
};

class Placement : public SceneGraph, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(Placement, BoundingBoxesInParentAndWorld) {
    const PlacementCase& c = GetParam();
    Node* parent = Node::create();
    parent->setPosition(c.parentPos);
    parent->setScale(c.parentScale);
    Node* child = Node::create();
    child->setContentSize(c.size);
    child->setAnchorPoint(c.anchor);
    child->setIgnoreAnchorPointForPosition(c.ignoreAnchor);
    child->setPosition(c.pos);
    child->setScale(c.scale);
    parent->addChild(child);

    const Rect box = child->getBoundingBox();
    EXPECT_NEAR(box.origin.x, c.parentBox.origin.x, 1e-3) << c.what;
    EXPECT_NEAR(box.origin.y, c.parentBox.origin.y, 1e-3) << c.what;
    EXPECT_NEAR(box.size.width, c.parentBox.size.width, 1e-3) << c.what;
    EXPECT_NEAR(box.size.height, c.parentBox.size.height, 1e-3) << c.what;

    const Vec2 lo = child->convertToWorldSpace(Vec2(0, 0));
    const Vec2 hi = child->convertToWorldSpace(Vec2(c.size.width, c.size.height));
    EXPECT_NEAR(lo.x, c.worldBox.getMinX(), 1e-3) << c.what;
    EXPECT_NEAR(lo.y, c.worldBox.getMinY(), 1e-3) << c.what;
    EXPECT_NEAR(hi.x, c.worldBox.getMaxX(), 1e-3) << c.what;
    EXPECT_NEAR(hi.y, c.worldBox.getMaxY(), 1e-3) << c.what;

    const Vec2 back = child->convertToNodeSpace(Vec2(c.worldBox.getMidX(), c.worldBox.getMidY()));
    EXPECT_NEAR(back.x, c.size.width / 2, 1e-3) << c.what;
    EXPECT_NEAR(back.y, c.size.height / 2, 1e-3) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Placement,
    ::testing::Values(
        PlacementCase{"lower-left anchor", {0, 0}, 1, {0, 0}, {10, 20}, {100, 50}, 1, false, {10, 20, 100, 50}, {10, 20, 100, 50}},
        PlacementCase{"centre anchor", {0, 0}, 1, {0.5f, 0.5f}, {375, 667}, {100, 50}, 1, false, {325, 642, 100, 50}, {325, 642, 100, 50}},
        PlacementCase{"centre anchor scaled", {0, 0}, 1, {0.5f, 0.5f}, {100, 100}, {40, 20}, 2, false, {60, 80, 80, 40}, {60, 80, 80, 40}},
        PlacementCase{"inside a moved, scaled parent", {50, 10}, 2, {0, 0}, {5, 5}, {10, 10}, 1, false, {5, 5, 10, 10}, {60, 20, 20, 20}},
        PlacementCase{"anchor ignored for position", {0, 0}, 1, {0.5f, 0.5f}, {10, 20}, {100, 50}, 1, true, {10, 20, 100, 50}, {10, 20, 100, 50}},
        PlacementCase{"top-right anchor", {0, 0}, 1, {1, 1}, {200, 100}, {50, 30}, 1, false, {150, 70, 50, 30}, {150, 70, 50, 30}}));

TEST_F(SceneGraph, EachNodeKindHasTheEngineDefaultAnchor) {
    struct Kind {
        const char* name;
        Node* node;
        Vec2 anchor;
    };
    const Kind kinds[] = {
        {"Node", Node::create(), {0, 0}},
        {"Scene", Scene::create(), {0, 0}},
        {"LayerColor", LayerColor::create(Color4B::RED, 10, 10), {0, 0}},
        {"Sprite", Sprite::create(), {0.5f, 0.5f}},
        {"Label", Label::create(), {0.5f, 0.5f}},
        {"DrawNode", DrawNode::create(), {0, 0}},
        {"Scale9Sprite", ui::Scale9Sprite::create(), {0.5f, 0.5f}},
        {"Widget", ui::Widget::create(), {0.5f, 0.5f}},
        {"Button", ui::Button::create(), {0.5f, 0.5f}},
        {"Text", ui::Text::create(), {0.5f, 0.5f}},
        {"LoadingBar", ui::LoadingBar::create(), {0.5f, 0.5f}},
        {"ImageView", ui::ImageView::create(), {0.5f, 0.5f}},
        {"Layout", ui::Layout::create(), {0, 0}},
    };
    for (const Kind& k : kinds) {
        ASSERT_NE(k.node, nullptr) << k.name;
        EXPECT_EQ(k.node->getAnchorPoint(), k.anchor) << k.name;
    }
}

TEST_F(SceneGraph, LayerColorPositionIsItsLowerLeftCornerAndItCoversTheWindow) {
    Director::getInstance()->setOpenGLView(enginetest::FakeView::create(960, 640));
    Director::getInstance()->getOpenGLView()->setDesignResolutionSize(750, 1334, ResolutionPolicy::NO_BORDER);
    LayerColor* full = LayerColor::create(Color4B(20, 20, 80, 255));
    EXPECT_EQ(full->getContentSize(), Size(750, 1334));
    EXPECT_EQ(full->getOpacity(), 255);
    EXPECT_EQ(full->getColor(), Color3B(20, 20, 80));

    LayerColor* bar = LayerColor::create(Color4B(0, 0, 0, 130), 540, 20);
    bar->setAnchorPoint(Vec2(0.5f, 0.5f));
    bar->setPosition(105, 513);
    EXPECT_EQ(bar->getBoundingBox(), Rect(105, 513, 540, 20));
    EXPECT_EQ(bar->getOpacity(), 130);
}

TEST_F(SceneGraph, OpacityAndColourReachChildrenOnlyThroughCascadingParents) {
    Node* plain = Node::create();
    plain->setOpacity(128);
    Node* underPlain = Node::create();
    plain->addChild(underPlain);
    EXPECT_EQ(underPlain->getDisplayedOpacity(), 255);

    ui::Widget* widget = ui::Widget::create();
    widget->setOpacity(128);
    widget->setColor(Color3B(255, 0, 0));
    Node* underWidget = Node::create();
    underWidget->setOpacity(128);
    widget->addChild(underWidget);
    EXPECT_EQ(underWidget->getDisplayedOpacity(), 64);
    EXPECT_EQ(underWidget->getDisplayedColor(), Color3B(255, 0, 0));
}

TEST_F(SceneGraph, DrawNodeKeepsReadablePrimitivesUntilCleared) {
    DrawNode* node = DrawNode::create();
    const Color4F green(95 / 255.0f, 215 / 255.0f, 125 / 255.0f, 1.0f);
    node->drawSolidRect(Vec2(5, 0), Vec2(95, 10), green);
    node->drawSolidCircle(Vec2(5, 5), 5, 0, 40, green);
    node->drawSolidCircle(Vec2(5, 5), 5, 0, 2, green); // too few segments: nothing
    ASSERT_EQ(node->getPrimitives().size(), 2u);
    const auto& rect = node->getPrimitives()[0];
    EXPECT_EQ(rect.kind, DrawNode::Primitive::Kind::SolidRect);
    EXPECT_EQ(rect.origin, Vec2(5, 0));
    EXPECT_EQ(rect.destination, Vec2(95, 10));
    EXPECT_EQ(rect.color, green);
    const auto& circle = node->getPrimitives()[1];
    EXPECT_EQ(circle.kind, DrawNode::Primitive::Kind::SolidCircle);
    EXPECT_EQ(circle.center, Vec2(5, 5));
    EXPECT_EQ(circle.radius, 5.0f);
    EXPECT_EQ(circle.segments, 40u);
    ASSERT_EQ(circle.vertices.size(), 40u);
    for (const Vec2& v : circle.vertices) EXPECT_NEAR(v.distance(Vec2(5, 5)), 5.0f, 1e-4);

    EXPECT_EQ(visitHeadless(node).getDrawnCount(), 2u);
    node->clear();
    EXPECT_TRUE(node->getPrimitives().empty());
    EXPECT_EQ(visitHeadless(node).getDrawnCount(), 0u);
}

TEST_F(SceneGraph, OnlyWhatIsVisibleReachesTheRenderer) {
    Node* root = Node::create();
    LayerColor* inside = LayerColor::create(Color4B::RED, 10, 10);
    LayerColor* outside = LayerColor::create(Color4B::RED, 10, 10);
    outside->setPosition(500, 0);
    LayerColor* hidden = LayerColor::create(Color4B::RED, 10, 10);
    hidden->setVisible(false);
    LayerColor* clear = LayerColor::create(Color4B(255, 0, 0, 0), 10, 10);
    root->addChild(inside);
    root->addChild(outside);
    root->addChild(hidden);
    root->addChild(clear);
    const Renderer r = visitHeadless(root, Rect(0, 0, 100, 100));
    EXPECT_EQ(r.getDrawnCount(), 1u);
    EXPECT_EQ(r.getCulledCount(), 1u);
}

TEST_F(SceneGraph, LoadingBarPercentIsClamped) {
    ui::LoadingBar* bar = ui::LoadingBar::create();
    const std::pair<float, float> cases[] = {{0, 0}, {42.5f, 42.5f}, {100, 100}, {150, 100}, {-3, 0}};
    for (const auto& c : cases) {
        bar->setPercent(c.first);
        EXPECT_EQ(bar->getPercent(), c.second) << c.first;
    }
}

TEST_F(SceneGraph, LabelSizeFollowsTextDimensionsAndOutline) {
    Label* label = Label::createWithSystemFont("Xin chào", "sans-serif", 25);
    EXPECT_EQ(label->getString(), "Xin chào");
    EXPECT_EQ(label->getSystemFontSize(), 25.0f);
    EXPECT_EQ(label->getDimensions(), Size::ZERO);
    EXPECT_EQ(label->getHorizontalAlignment(), TextHAlignment::LEFT);
    EXPECT_EQ(label->getVerticalAlignment(), TextVAlignment::TOP);
    const Size plain = label->getContentSize();
    EXPECT_GT(plain.width, 40.0f);
    EXPECT_GE(plain.height, 20.0f);

    label->enableOutline(Color4B::BLACK, 4);
    EXPECT_EQ(label->getContentSize().width, plain.width + 8);
    EXPECT_EQ(label->getContentSize().height, plain.height + 8);
    label->disableEffect();

    label->setString("một hai ba bốn năm sáu bảy tám chín mười");
    const Size oneLine = label->getContentSize();
    label->setDimensions(120, 0);
    const Size wrapped = label->getContentSize();
    EXPECT_EQ(wrapped.width, 120.0f);
    EXPECT_GE(wrapped.height, oneLine.height * 2) << "the text wraps at the width";

    label->setString("");
    label->setDimensions(0, 0);
    EXPECT_EQ(label->getContentSize(), Size::ZERO);
    EXPECT_EQ(label->getTexture(), nullptr);

    Label* empty = Label::create();
    EXPECT_EQ(empty->getSystemFontSize(), 12.0f);
    EXPECT_EQ(empty->getString(), "");
}

TEST_F(SceneGraph, WidgetsAdaptToTheirContentUnlessTold) {
    ui::Text* text = ui::Text::create("abc", "", 20);
    const Size small = text->getContentSize();
    EXPECT_GT(small.width, 0.0f);
    text->setString("abcabcabc");
    EXPECT_GT(text->getContentSize().width, small.width);
    text->setContentSize(Size(5, 5)); // ignored while adapting
    EXPECT_GT(text->getContentSize().width, 5.0f);
    text->ignoreContentAdaptWithSize(false);
    text->setContentSize(Size(300, 40));
    EXPECT_EQ(text->getContentSize(), Size(300, 40));

    // No image: still a real target, sized to its title.
    ui::Button* bare = ui::Button::create("no-such-button.png");
    ASSERT_NE(bare, nullptr);
    EXPECT_FALSE(bare->hasNormalTexture());
    EXPECT_TRUE(bare->isTouchEnabled());
    const Size titleless = bare->getContentSize();
    bare->setTitleText("Thử lại");
    bare->setTitleFontSize(25);
    EXPECT_GT(bare->getContentSize().width, titleless.width);
    EXPECT_EQ(bare->getTitleText(), "Thử lại");
    EXPECT_EQ(bare->getTitleFontSize(), 25.0f);

    ui::ImageView* missing = ui::ImageView::create("no-such-image.png");
    ASSERT_NE(missing, nullptr);
    EXPECT_FALSE(missing->hasTexture());
    EXPECT_EQ(missing->getContentSize(), Size::ZERO);
    EXPECT_EQ(Sprite::create("no-such-image.png"), nullptr);
    EXPECT_EQ(ui::Scale9Sprite::create("no-such-image.png"), nullptr);
}

// A widget that counts its destruction.
class CountedWidget : public ui::Widget {
public:
    static CountedWidget* make(int* deaths) {
        auto* w = new CountedWidget();
        w->_deaths = deaths;
        w->setTouchEnabled(true);
        w->ignoreContentAdaptWithSize(false);
        w->setContentSize(Size(100, 100));
        w->autorelease();
        return w;
    }
    ~CountedWidget() override { ++*_deaths; }

private:
    int* _deaths = nullptr;
};

TEST_F(SceneGraph, AClickListenerMayFreeItsOwnWidget) {
    int deaths = 0;
    Node* parent = Node::create();
    parent->retain();
    CountedWidget* widget = CountedWidget::make(&deaths);
    widget->setPosition(50, 50);
    parent->addChild(widget);
    AutoreleasePool::getInstance()->clear(); // only the parent holds the widget now
    std::vector<std::string> events;
    widget->addTouchEventListener([&](Ref*, ui::Widget::TouchEventType type) {
        events.push_back(type == ui::Widget::TouchEventType::ENDED ? "ended" : "other");
    });
    widget->addClickEventListener([&, parent](Ref* sender) {
        parent->removeAllChildren();
        EXPECT_EQ(deaths, 0) << "freed while its own listener still runs";
        events.push_back("click");
    });
    // Straight to the widget, without the touch routing (which holds its own reference).
    widget->onTouchBegan(Vec2(50, 50));
    EXPECT_TRUE(widget->isHighlighted());
    widget->onTouchEnded(Vec2(50, 50));
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(events, (std::vector<std::string>{"other", "ended", "click"}));
    parent->release();
}

TEST_F(SceneGraph, SeekWidgetByNameSearchesRootThenDepthFirstThroughWidgets) {
    ui::Widget* root = ui::Layout::create();
    root->setName("root");
    ui::Widget* panel = ui::Widget::create();
    panel->setName("panel");
    ui::Widget* deep = ui::Text::create();
    deep->setName("dup");
    ui::Widget* later = ui::LoadingBar::create();
    later->setName("dup");
    Node* plainNode = Node::create();
    ui::Widget* underPlainNode = ui::Widget::create();
    underPlainNode->setName("hidden-behind-node");
    root->addChild(panel);
    panel->addChild(deep);
    root->addChild(later);
    root->addChild(plainNode);
    plainNode->addChild(underPlainNode);

    EXPECT_EQ(ui::Helper::seekWidgetByName(root, "root"), root);
    EXPECT_EQ(ui::Helper::seekWidgetByName(root, "panel"), panel);
    EXPECT_EQ(ui::Helper::seekWidgetByName(root, "dup"), deep) << "pre-order: the panel's subtree comes first";
    EXPECT_EQ(ui::Helper::seekWidgetByName(root, "hidden-behind-node"), nullptr);
    EXPECT_EQ(ui::Helper::seekWidgetByName(root, "nothing"), nullptr);
    EXPECT_EQ(ui::Helper::seekWidgetByName(nullptr, "root"), nullptr);
    EXPECT_NE(dynamic_cast<ui::Text*>(ui::Helper::seekWidgetByName(root, "dup")), nullptr);
}

} // namespace
