// The scene in a real window: pixels drawn with OpenGL, and mouse presses
// becoming clicks on buttons.
#include "2d/CCLabel.h"
#include "2d/CCLayer.h"
#include "2d/CCScene.h"
#include "2d/CCSprite.h"
#include "base/CCAutoreleasePool.h"
#include "base/CCDirector.h"
#include "platform/CCFileUtils.h"
#include "platform/CCGLViewImpl.h"
#include "platform/Utf16_win.h"
#include "platform/Windows_win.h"
#include "renderer/FrameRenderer.h"
#include "renderer/TextRenderer.h"
#include "ui/CocosGUI.h"

#include "ImageFixtures.h"
#include "TempDir.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace cocos2d;

namespace {

struct Pixel {
    int r, g, b;
};

class WindowScene : public ::testing::Test {
protected:
    // Frame 480x320 shown 1:1; the scene is laid out on 960x640 (scale 0.5).
    void open(float width, float height, float designW = 0, float designH = 0) {
        view = GLViewImpl::createWithRect("scene", Rect(0, 0, width, height), 1.0f);
        ASSERT_NE(view, nullptr);
        if (designW > 0) view->setDesignResolutionSize(designW, designH, ResolutionPolicy::NO_BORDER);
        Director::getInstance()->setOpenGLView(view);
        Director::getInstance()->startAnimation();
        scene = Scene::create();
        Director::getInstance()->runWithScene(scene);
        frame();
    }
    void TearDown() override {
        Director::getInstance()->purgeDirector();
        AutoreleasePool::getInstance()->clear();
    }
    void frame() { Director::getInstance()->mainLoop(1.0f / 60); }

    // Draws the running scene into the back buffer and reads it whole.
    void drawAndRead() {
        ASSERT_TRUE(renderer::drawFrame(*view, Director::getInstance()->getRunningScene()));
        glFinish();
        const Size& f = view->getFrameSize();
        width = static_cast<int>(f.width);
        height = static_cast<int>(f.height);
        pixels.assign(static_cast<std::size_t>(width) * height * 4, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    }
    // (x, y) from the bottom-left, in window pixels.
    Pixel at(int x, int y) const {
        const unsigned char* p = pixels.data() + (static_cast<std::size_t>(y) * width + x) * 4;
        return Pixel{p[0], p[1], p[2]};
    }
    static bool isNear(const Pixel& p, int r, int g, int b, int tolerance = 3) {
        return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
    }
    int litPixels(int x0, int y0, int x1, int y1) const {
        int lit = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const Pixel p = at(x, y);
                if (p.r + p.g + p.b > 60) ++lit;
            }
        return lit;
    }

    void click(int downX, int downY, int upX, int upY) {
        HWND hwnd = view->getWin32Window();
        ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(downX, downY));
        ::SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(upX, upY));
        ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(upX, upY));
    }

    GLViewImpl* view = nullptr;
    Scene* scene = nullptr;
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;
};

TEST_F(WindowScene, LayersSpriteAndBarLandOnTheRightPixels) {
    enginetest::TempDir dir;
    enginetest::writeFile(dir / "quad.png", enginetest::quadPng());
    enginetest::writeFile(dir / "vertical.png", enginetest::verticalPng());
    ASSERT_NO_FATAL_FAILURE(open(240, 120));

    scene->addChild(LayerColor::create(Color4B(255, 0, 0, 255), 80, 120));
    LayerColor* translucent = LayerColor::create(Color4B(0, 0, 255, 128), 80, 60);
    translucent->setPosition(80, 0);
    scene->addChild(translucent);
    // Drawn below the red layer by z: must not show through it.
    LayerColor* below = LayerColor::create(Color4B(0, 255, 0, 255), 40, 40);
    scene->addChild(below, -1);

    Sprite* sprite = Sprite::create(dir / "quad.png");
    ASSERT_NE(sprite, nullptr);
    sprite->setScale(4); // 64 x 16, centred on (200, 60)
    sprite->setPosition(200, 60);
    scene->addChild(sprite);

    // Rows are stored from the top: the top half must come out on top.
    Sprite* upright = Sprite::create(dir / "vertical.png");
    ASSERT_NE(upright, nullptr);
    upright->setScale(5); // 20 x 20 around (200, 100)
    upright->setPosition(200, 100);
    scene->addChild(upright);

    ui::LoadingBar* bar = ui::LoadingBar::create();
    bar->ignoreContentAdaptWithSize(false);
    bar->setContentSize(Size(80, 10));
    bar->setAnchorPoint(Vec2(0, 0));
    bar->setPosition(80, 100);
    bar->setPercent(50);
    scene->addChild(bar);

    drawAndRead();
    EXPECT_TRUE(isNear(at(40, 60), 255, 0, 0));
    EXPECT_TRUE(isNear(at(10, 10), 255, 0, 0)) << "z -1 stays under the red layer";
    EXPECT_TRUE(isNear(at(120, 30), 0, 0, 128, 4)) << "alpha 128 over black";
    EXPECT_TRUE(isNear(at(120, 80), 0, 0, 0));
    EXPECT_TRUE(isNear(at(180, 60), 255, 0, 0)) << "sprite's left half";
    EXPECT_TRUE(isNear(at(220, 60), 0, 0, 255)) << "sprite's right half";
    EXPECT_TRUE(isNear(at(200, 30), 0, 0, 0)) << "below the sprite";
    EXPECT_TRUE(isNear(at(200, 106), 255, 255, 0)) << "top half of an image stays on top";
    EXPECT_TRUE(isNear(at(200, 94), 0, 255, 255)) << "bottom half";
    EXPECT_TRUE(isNear(at(100, 105), 95, 215, 125)) << "filled half of the bar";
    EXPECT_TRUE(isNear(at(140, 105), 0, 0, 0)) << "empty half of the bar";

    sprite->setVisible(false);
    drawAndRead();
    EXPECT_TRUE(isNear(at(220, 60), 0, 0, 0)) << "an invisible sprite is not drawn";
}

TEST_F(WindowScene, NineSliceKeepsTheCapsAndStretchesTheCentre) {
    enginetest::TempDir dir;
    enginetest::writeFile(dir / "nine.png", enginetest::ninePng());
    ASSERT_NO_FATAL_FAILURE(open(300, 300));
    ui::Scale9Sprite* sprite = ui::Scale9Sprite::create(dir / "nine.png");
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->getOriginalSize(), Size(30, 30));
    EXPECT_EQ(sprite->getCapInsets(), Rect::ZERO);
    EXPECT_EQ(sprite->getEffectiveCapInsets(), Rect(10, 10, 10, 10)) << "the middle third";
    sprite->setAnchorPoint(Vec2(0, 0));
    sprite->setContentSize(Size(300, 300));
    scene->addChild(sprite);

    drawAndRead();
    EXPECT_TRUE(isNear(at(150, 150), 255, 255, 255)) << "centre";
    EXPECT_TRUE(isNear(at(50, 150), 255, 255, 255)) << "the centre reaches to the 10-pixel cap";
    EXPECT_TRUE(isNear(at(4, 150), 255, 255, 0)) << "left edge";
    EXPECT_TRUE(isNear(at(150, 4), 128, 0, 0)) << "bottom edge";
    EXPECT_TRUE(isNear(at(295, 295), 0, 0, 255)) << "top-right corner";
    EXPECT_TRUE(isNear(at(4, 4), 0, 255, 255)) << "bottom-left corner";

    sprite->setScale9Enabled(false);
    drawAndRead();
    EXPECT_TRUE(isNear(at(50, 150), 255, 255, 0)) << "stretched whole, the left third is the left block";
}

TEST_F(WindowScene, JpegSpritesDecodeToTheirColour) {
    enginetest::TempDir dir;
    enginetest::writeFile(dir / "photo.jpg", enginetest::greenJpeg());
    ASSERT_NO_FATAL_FAILURE(open(120, 60));
    Sprite* sprite = Sprite::create(dir / "photo.jpg");
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->getContentSize(), Size(12, 6));
    sprite->setScale(10);
    sprite->setPosition(60, 30);
    scene->addChild(sprite);
    drawAndRead();
    EXPECT_TRUE(isNear(at(60, 30), 0, 200, 0, 8));
}

TEST_F(WindowScene, DesignViewportScalesTheScene) {
    ASSERT_NO_FATAL_FAILURE(open(240, 120, 480, 240)); // scale 0.5
    LayerColor* layer = LayerColor::create(Color4B(255, 255, 255, 255), 240, 240);
    layer->setPosition(240, 0); // the right half of the design area
    scene->addChild(layer);
    drawAndRead();
    EXPECT_TRUE(isNear(at(60, 60), 0, 0, 0));
    EXPECT_TRUE(isNear(at(180, 60), 255, 255, 255));
}

TEST_F(WindowScene, LabelsDrawTheirText) {
    ASSERT_NO_FATAL_FAILURE(open(320, 120));
    Label* label = Label::createWithSystemFont("Đang khởi động game...", "sans-serif", 25);
    label->setTextColor(Color4B(255, 255, 255, 255));
    label->enableOutline(Color4B(0, 0, 0, 255), 4);
    label->setPosition(160, 60);
    scene->addChild(label);
    ui::Text* text = ui::Text::create("Kiểm tra cập nhật", "", 20);
    text->setPosition(160, 20);
    scene->addChild(text);

    drawAndRead();
    const Size size = label->getContentSize();
    const int x0 = static_cast<int>(160 - size.width / 2), x1 = static_cast<int>(160 + size.width / 2);
    const int y0 = static_cast<int>(60 - size.height / 2), y1 = static_cast<int>(60 + size.height / 2);
    EXPECT_GT(litPixels(x0, y0, x1, y1), 100) << "the label's glyphs";
    EXPECT_EQ(litPixels(0, 90, 320, 120), 0) << "nothing above the label";
    EXPECT_GT(litPixels(0, 0, 320, 40), 30) << "the text widget's glyphs";
}

TEST(TextRendering, TheChosenSystemFaceHasEveryVietnameseLetterUsed) {
    const std::string face = renderer::resolveFontFace("sans-serif");
    ASSERT_FALSE(face.empty()) << "no usable font installed";
    const wchar_t letters[] = L"ĐđăâêôơưĂÂÊÔƠƯáàảãạấầẩẫậắằẳẵặéèẻẽẹếềểễệíìỉĩịóòỏõọốồổỗộớờởỡợúùủũụứừửữựýỳỷỹỵ";
    const int count = static_cast<int>(wcslen(letters));
    HDC dc = ::CreateCompatibleDC(nullptr);
    const std::wstring wideFace = win32::utf8ToWide(face);
    HFONT font = ::CreateFontW(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0,
                               wideFace.c_str());
    HGDIOBJ old = ::SelectObject(dc, font);
    std::vector<WORD> glyphs(count);
    ASSERT_NE(::GetGlyphIndicesW(dc, letters, count, glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS), GDI_ERROR);
    ::SelectObject(dc, old);
    ::DeleteObject(font);
    ::DeleteDC(dc);
    for (int i = 0; i < count; ++i) EXPECT_NE(glyphs[i], 0xFFFF) << "face " << face << " lacks letter #" << i;

    // And the rendered pixels differ between a letter and its base letter.
    renderer::TextStyle style;
    style.fontSize = 30;
    renderer::RenderedText plain, marked;
    ASSERT_TRUE(renderer::renderText("e", style, &plain));
    ASSERT_TRUE(renderer::renderText("ệ", style, &marked));
    EXPECT_NE(plain.rgba, marked.rgba);
}

// ---- input

// Records its death, so a button freed by its own listener can be checked.
class TrackedButton : public ui::Button {
public:
    static TrackedButton* make(bool* died) {
        auto* b = new TrackedButton();
        b->_died = died;
        b->init();
        b->autorelease();
        return b;
    }
    ~TrackedButton() override {
        if (_died) *_died = true;
    }

private:
    bool* _died = nullptr;
};

struct ClickCase {
    const char* what;
    POINT down, up;
    bool enabled, visible, parentVisible;
    int expectedClicks;
};

class ButtonClicks : public WindowScene, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(ButtonClicks, PressAndReleaseInsideAVisibleEnabledButton) {
    const ClickCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(open(480, 320, 960, 640));
    Node* holder = Node::create();
    scene->addChild(holder);
    // Design box x 380..580, y 270..370; client x 190..290, y 135..185.
    ui::Button* button = ui::Button::create();
    button->ignoreContentAdaptWithSize(false);
    button->setContentSize(Size(200, 100));
    button->setPosition(480, 320);
    button->setEnabled(c.enabled);
    button->setVisible(c.visible);
    holder->setVisible(c.parentVisible);
    holder->addChild(button);
    int clicks = 0;
    button->addClickEventListener([&](Ref* sender) {
        EXPECT_EQ(sender, button);
        ++clicks;
    });
    frame();
    click(c.down.x, c.down.y, c.up.x, c.up.y);
    EXPECT_EQ(clicks, c.expectedClicks) << c.what;
    EXPECT_FALSE(button->isHighlighted()) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ButtonClicks,
    ::testing::Values(ClickCase{"centre", {240, 160}, {240, 160}, true, true, true, 1},
                      ClickCase{"just inside the corner", {191, 184}, {191, 184}, true, true, true, 1},
                      ClickCase{"moved within", {200, 150}, {280, 170}, true, true, true, 1},
                      ClickCase{"released outside", {240, 160}, {400, 160}, true, true, true, 0},
                      ClickCase{"pressed outside, released inside", {100, 160}, {240, 160}, true, true, true, 0},
                      ClickCase{"just outside (above)", {240, 130}, {240, 130}, true, true, true, 0},
                      ClickCase{"disabled", {240, 160}, {240, 160}, false, true, true, 0},
                      ClickCase{"invisible", {240, 160}, {240, 160}, true, false, true, 0},
                      ClickCase{"invisible parent", {240, 160}, {240, 160}, true, true, false, 0}));

TEST_F(WindowScene, TheTopMostButtonAloneTakesTheTouch) {
    ASSERT_NO_FATAL_FAILURE(open(480, 320, 960, 640));
    auto makeButton = [&](int z, const char* name, std::vector<std::string>* log) {
        ui::Button* b = ui::Button::create();
        b->ignoreContentAdaptWithSize(false);
        b->setContentSize(Size(200, 100));
        b->setPosition(480, 320);
        b->setName(name);
        b->addClickEventListener([log, name](Ref*) { log->push_back(name); });
        scene->addChild(b, z);
        return b;
    };
    std::vector<std::string> log;
    makeButton(5, "high-z, added first", &log);
    makeButton(0, "low-z, added later", &log);
    frame();
    click(240, 160, 240, 160);
    EXPECT_EQ(log, std::vector<std::string>{"high-z, added first"});

    // A disabled top button lets the one below take it.
    static_cast<ui::Button*>(scene->getChildByName("high-z, added first"))->setEnabled(false);
    log.clear();
    click(240, 160, 240, 160);
    EXPECT_EQ(log, std::vector<std::string>{"low-z, added later"});
}

TEST_F(WindowScene, ShowsThePressedImageWhileHeld) {
    enginetest::TempDir dir;
    enginetest::writeFile(dir / "normal.png", enginetest::quadPng());
    enginetest::writeFile(dir / "pressed.png", enginetest::whitePillPng());
    ASSERT_NO_FATAL_FAILURE(open(480, 320, 960, 640));
    ui::Button* button = ui::Button::create(dir / "normal.png", dir / "pressed.png");
    ASSERT_TRUE(button->hasNormalTexture());
    EXPECT_EQ(button->getContentSize(), Size(16, 4)) << "the normal image's size";
    button->setScale(10); // 160 x 40 design, client 80 x 20 around (240, 160)
    button->setPosition(480, 320);
    scene->addChild(button);
    frame();
    HWND hwnd = view->getWin32Window();
    ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(240, 160));
    EXPECT_EQ(button->getShownState(), 1);
    ::SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(400, 160));
    EXPECT_EQ(button->getShownState(), 0) << "dragged off the button";
    ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(400, 160));
    EXPECT_EQ(button->getShownState(), 0);
}

TEST_F(WindowScene, AListenerThatRemovesItsOwnButtonIsSafe) {
    ASSERT_NO_FATAL_FAILURE(open(480, 320, 960, 640));
    bool died = false;
    Node* popup = Node::create();
    scene->addChild(popup);
    TrackedButton* button = TrackedButton::make(&died);
    button->ignoreContentAdaptWithSize(false);
    button->setContentSize(Size(200, 100));
    button->setPosition(480, 320);
    popup->addChild(button);
    int retries = 0;
    // As an alert does: the closure lives in the button that it frees.
    std::string captured = "kept alive by the copy";
    button->addClickEventListener([popup, captured, &retries, &died](Ref*) {
        popup->removeFromParent();
        EXPECT_FALSE(died) << "the button must outlive its own listener";
        EXPECT_EQ(captured, "kept alive by the copy");
        ++retries;
    });
    frame(); // the pool lets go of its references
    click(240, 160, 240, 160);
    EXPECT_EQ(retries, 1);
    EXPECT_TRUE(died) << "and is freed once the listener returned";
    EXPECT_EQ(scene->getChildrenCount(), 0u);
    click(240, 160, 240, 160); // nothing left to hit
    EXPECT_EQ(retries, 1);
}

} // namespace
