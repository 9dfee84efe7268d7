// Design resolution policies, the Director's sizes, scene switching, and the
// mapping of window points to design points.
#include "2d/CCScene.h"
#include "base/CCAutoreleasePool.h"
#include "base/CCDirector.h"
#include "platform/CCGLView.h"

#include "FakeView.h"

#include <gtest/gtest.h>

using namespace cocos2d;
using enginetest::FakeView;

namespace {

struct PolicyCase {
    const char* what;
    Size frame;
    Size design;
    ResolutionPolicy policy;
    Size visibleSize;
    Vec2 visibleOrigin;
    Rect viewport;
    Size winSize;
};

class DesignResolution : public ::testing::TestWithParam<PolicyCase> {
protected:
    void TearDown() override {
        Director::getInstance()->purgeDirector();
        AutoreleasePool::getInstance()->clear();
    }
};

TEST_P(DesignResolution, ScalesViewportAndVisibleArea) {
    const PolicyCase& c = GetParam();
    FakeView* view = FakeView::create(c.frame.width, c.frame.height);
    Director::getInstance()->setOpenGLView(view);
    view->setDesignResolutionSize(c.design.width, c.design.height, c.policy);

    const Size vis = Director::getInstance()->getVisibleSize();
    const Vec2 origin = Director::getInstance()->getVisibleOrigin();
    const Rect& vp = view->getViewPortRect();
    EXPECT_NEAR(vis.width, c.visibleSize.width, 0.01) << c.what;
    EXPECT_NEAR(vis.height, c.visibleSize.height, 0.01) << c.what;
    EXPECT_NEAR(origin.x, c.visibleOrigin.x, 0.01) << c.what;
    EXPECT_NEAR(origin.y, c.visibleOrigin.y, 0.01) << c.what;
    EXPECT_NEAR(vp.origin.x, c.viewport.origin.x, 0.01) << c.what;
    EXPECT_NEAR(vp.origin.y, c.viewport.origin.y, 0.01) << c.what;
    EXPECT_NEAR(vp.size.width, c.viewport.size.width, 0.01) << c.what;
    EXPECT_NEAR(vp.size.height, c.viewport.size.height, 0.01) << c.what;
    EXPECT_EQ(Director::getInstance()->getWinSize(), c.winSize) << c.what;
    EXPECT_EQ(view->getFrameSize(), c.frame) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DesignResolution,
    ::testing::Values(
        PolicyCase{"no border, landscape frame", {960, 640}, {750, 1334}, ResolutionPolicy::NO_BORDER,
                   {750, 500}, {0, 417}, {0, -533.76f, 960, 1707.52f}, {750, 1334}},
        PolicyCase{"no border, portrait frame", {640, 960}, {750, 1334}, ResolutionPolicy::NO_BORDER,
                   {750, 1125}, {0, 104.5f}, {0, -89.1733f, 640, 1138.3467f}, {750, 1334}},
        PolicyCase{"no border, same shape", {750, 1334}, {750, 1334}, ResolutionPolicy::NO_BORDER,
                   {750, 1334}, {0, 0}, {0, 0, 750, 1334}, {750, 1334}},
        PolicyCase{"no border, half size", {375, 667}, {750, 1334}, ResolutionPolicy::NO_BORDER,
                   {750, 1334}, {0, 0}, {0, 0, 375, 667}, {750, 1334}},
        PolicyCase{"no border, wide frame", {1280, 720}, {960, 640}, ResolutionPolicy::NO_BORDER,
                   {960, 540}, {0, 50}, {0, -66.6667f, 1280, 853.3333f}, {960, 640}},
        PolicyCase{"show all", {1280, 720}, {960, 640}, ResolutionPolicy::SHOW_ALL,
                   {960, 640}, {0, 0}, {100, 0, 1080, 720}, {960, 640}},
        PolicyCase{"exact fit", {1280, 720}, {960, 640}, ResolutionPolicy::EXACT_FIT,
                   {960, 640}, {0, 0}, {0, 0, 1280, 720}, {960, 640}},
        PolicyCase{"fixed height", {1280, 720}, {960, 640}, ResolutionPolicy::FIXED_HEIGHT,
                   {1138, 640}, {0, 0}, {-0.125f, 0, 1280.25f, 720}, {1138, 640}},
        PolicyCase{"fixed width", {1280, 720}, {640, 480}, ResolutionPolicy::FIXED_WIDTH,
                   {640, 360}, {0, 0}, {0, 0, 1280, 720}, {640, 360}}));

class DirectorScenes : public ::testing::Test {
protected:
    void SetUp() override { Director::getInstance()->startAnimation(); }
    void TearDown() override {
        Director::getInstance()->purgeDirector();
        AutoreleasePool::getInstance()->clear();
    }
};

TEST_F(DirectorScenes, SizesWithoutAndBeforeADesignResolution) {
    EXPECT_EQ(Director::getInstance()->getWinSize(), Size::ZERO);
    EXPECT_EQ(Director::getInstance()->getVisibleSize(), Size::ZERO);
    FakeView* view = FakeView::create(960, 640);
    Director::getInstance()->setOpenGLView(view);
    EXPECT_EQ(Director::getInstance()->getWinSize(), Size(960, 640));
    EXPECT_EQ(Director::getInstance()->getVisibleSize(), Size(960, 640));
    EXPECT_EQ(view->getViewPortRect(), Rect(0, 0, 960, 640));
    // Unusable requests change nothing.
    view->setDesignResolutionSize(0, 100, ResolutionPolicy::NO_BORDER);
    view->setDesignResolutionSize(100, 100, ResolutionPolicy::UNKNOWN);
    EXPECT_EQ(Director::getInstance()->getWinSize(), Size(960, 640));
    // A later frame size re-applies the policy.
    view->setDesignResolutionSize(750, 1334, ResolutionPolicy::NO_BORDER);
    view->setFrameSize(640, 960);
    EXPECT_NEAR(Director::getInstance()->getVisibleSize().height, 1125, 0.01);
}

TEST_F(DirectorScenes, RunWithSceneTakesEffectAtTheNextFrame) {
    Director* director = Director::getInstance();
    Scene* first = Scene::create();
    director->runWithScene(first);
    EXPECT_EQ(director->getRunningScene(), nullptr);
    director->mainLoop(1.0f / 60);
    EXPECT_EQ(director->getRunningScene(), first);
    EXPECT_EQ(first->getReferenceCount(), 1u) << "the Director holds the running scene";

    Scene* second = Scene::create();
    second->retain();
    director->replaceScene(second);
    EXPECT_EQ(director->getRunningScene(), first);
    director->mainLoop(1.0f / 60);
    EXPECT_EQ(director->getRunningScene(), second);
    EXPECT_EQ(second->getReferenceCount(), 2u);

    // The same scene again must not lose the Director's reference.
    director->replaceScene(second);
    director->mainLoop(1.0f / 60);
    EXPECT_EQ(director->getRunningScene(), second);
    EXPECT_EQ(second->getReferenceCount(), 2u);
    second->release();
}

struct MappingCase {
    const char* what;
    Size frame;
    float zoom;
    Size design;
    ResolutionPolicy policy;
    Vec2 client;
    Vec2 expected;
};

class ClientToDesign : public ::testing::TestWithParam<MappingCase> {
protected:
    void TearDown() override { AutoreleasePool::getInstance()->clear(); }
};

TEST_P(ClientToDesign, GoesThroughZoomViewportAndFlipsY) {
    const MappingCase& c = GetParam();
    FakeView* view = FakeView::create(c.frame.width, c.frame.height);
    view->setZoom(c.zoom);
    if (c.policy != ResolutionPolicy::UNKNOWN) view->setDesignResolutionSize(c.design.width, c.design.height, c.policy);
    const Vec2 p = view->convertClientToDesign(c.client.x, c.client.y);
    EXPECT_NEAR(p.x, c.expected.x, 0.01) << c.what;
    EXPECT_NEAR(p.y, c.expected.y, 0.01) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClientToDesign,
    ::testing::Values(
        MappingCase{"no design: y flip only", {960, 640}, 1, {}, ResolutionPolicy::UNKNOWN, {0, 0}, {0, 640}},
        MappingCase{"no design, bottom-right", {960, 640}, 1, {}, ResolutionPolicy::UNKNOWN, {960, 640}, {960, 0}},
        MappingCase{"zoomed window", {960, 640}, 2, {}, ResolutionPolicy::UNKNOWN, {200, 100}, {100, 590}},
        // Frame 960x640 over 750x1334: scale 1.28, the visible band starts at y 417.
        MappingCase{"no border, window centre", {960, 640}, 1, {750, 1334}, ResolutionPolicy::NO_BORDER, {480, 320}, {375, 667}},
        MappingCase{"no border, window top-left", {960, 640}, 1, {750, 1334}, ResolutionPolicy::NO_BORDER, {0, 0}, {0, 917}},
        MappingCase{"no border, window bottom-left", {960, 640}, 1, {750, 1334}, ResolutionPolicy::NO_BORDER, {0, 640}, {0, 417}},
        MappingCase{"show all, left bar", {1280, 720}, 1, {960, 640}, ResolutionPolicy::SHOW_ALL, {100, 720}, {0, 0}},
        MappingCase{"no border with zoom", {375, 667}, 2, {750, 1334}, ResolutionPolicy::NO_BORDER, {375, 667}, {375, 667}}));

} // namespace
