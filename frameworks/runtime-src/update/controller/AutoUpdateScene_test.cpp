// The update scene read back from the scene graph: kinds, z orders,
// positions, sizes, visibility, the search paths, the bar's geometry and the
// teardown, for the window shapes and the files a player may have.
#include "update/controller/AutoUpdateScene.h"

#include "cocos2d.h"
#include "ui/CocosGUI.h"
#include "update/controller/AutoUpdate.h"
#include "update/controller/AutoUpdateTestSupport.h"
#include "update/engine/UpdatePaths.h"
#include "update/controller/UpdateTexts.h"

#include <gtest/gtest.h>

#include <memory>

using namespace cocos2d;
using namespace autoupdatetest;

namespace {

constexpr float kTolerance = 0.01f;

std::string kindOf(Node* node) {
    if (dynamic_cast<Label*>(node)) return "Label";
    if (dynamic_cast<DrawNode*>(node)) return "DrawNode";
    if (dynamic_cast<ui::Scale9Sprite*>(node)) return "Scale9Sprite";
    if (dynamic_cast<Sprite*>(node)) return "Sprite";
    if (dynamic_cast<LayerColor*>(node)) return "LayerColor";
    if (dynamic_cast<ui::Layout*>(node)) return "Layout";
    return "Node";
}

// "Kind z" of the scene's children in drawing order.
std::string drawingOrder(Scene* scene) {
    scene->sortAllChildren();
    std::string out;
    for (Node* child : scene->getChildren()) {
        if (!out.empty()) out += ' ';
        out += kindOf(child) + std::to_string(child->getLocalZOrder());
    }
    return out;
}

struct Files {
    Files(bool withLayout = false, Size bg = Size(), bool bgGarbage = false, Size pillImage = Size())
        : layout(withLayout), background(bg), backgroundGarbage(bgGarbage), pill(pillImage) {}
    bool layout;
    Size background;  // zero: no "bg.jpg"
    bool backgroundGarbage;
    Size pill;  // zero: no "loadingbar.png"
};

class UpdateScene : public ::testing::Test {
protected:
    void SetUp() override { fresh(); }
    void TearDown() override { resetController(); }

    // A new game folder and no scene: what one case of a table starts from.
    void fresh() {
        resetController();
        game.reset();
        game = std::make_unique<GameFolder>();
    }

    AutoUpdate* build(const Size& frame, const Files& files) {
        testView(frame.width, frame.height);
        if (files.layout) game->write("autoupdate/autoupdate.json", layoutJson());
        if (files.background.width > 0)
            game->write("autoupdate/bg.jpg", pngBytes(int(files.background.width), int(files.background.height)));
        if (files.backgroundGarbage) game->write("autoupdate/bg.jpg", "not an image at all");
        if (files.pill.width > 0)
            game->write("autoupdate/loadingbar.png", pngBytes(int(files.pill.width), int(files.pill.height)));
        AutoUpdate* controller = AutoUpdate::getInstance();
        controller->buildScene();
        return controller;
    }

    TextsSnapshot keep;
    std::unique_ptr<GameFolder> game;
};

TEST_F(UpdateScene, NodesForEachWindowShapeAndFileSet) {
    const struct {
        const char* name;
        Size frame;
        Files files;
        std::string order;
        float bgScale;
        Vec2 pillCorner;  // pillX, pillY
        float pillMaxWidth, pillHeight;
        Vec2 label;
    } cases[] = {
        {"background of the window's shape, image pill", Size(750, 1334), {true, Size(750, 1334), false, Size(200, 40)},
         "LayerColor-10 Sprite-5 Layout0 Scale9Sprite11 Label12", 1.0f, Vec2(93.75f, 92.755f), 566.667f, 23.6229f,
         Vec2(375, 200.1f)},
        {"window relatively wider: top and bottom cut, drawn pill", Size(750, 1334), {false, Size(100, 200)},
         "LayerColor-10 Sprite-5 DrawNode11 Label12", 7.5f, Vec2(93.75f, 21.297f), 566.667f, 26.5625f,
         Vec2(375, 142)},
        {"window relatively taller: sides cut, pill follows the background", Size(640, 960),
         {false, Size(100, 100), false, Size(3, 3)}, "LayerColor-10 Sprite-5 Scale9Sprite11 Label12", 11.25f,
         Vec2(-46.875f, 182.7227f), 850.0f, 19.9219f, Vec2(375, 273.25f)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        AutoUpdate* controller = build(c.frame, c.files);
        Scene* scene = updateScene.scene;
        ASSERT_NE(scene, nullptr);
        EXPECT_EQ(drawingOrder(scene), c.order);
        EXPECT_EQ(controller->layoutRoot != nullptr, c.files.layout);

        Sprite* bg = updateScene.bgSprite;
        ASSERT_NE(bg, nullptr);
        EXPECT_FLOAT_EQ(bg->getScaleX(), c.bgScale);
        EXPECT_FLOAT_EQ(bg->getScaleY(), c.bgScale);
        EXPECT_EQ(bg->getPosition(), Vec2(375, 667));  // the visible centre: the design centre here
        EXPECT_EQ(bg->getAnchorPoint(), Vec2(0.5f, 0.5f));

        EXPECT_NEAR(updateScene.pillX, c.pillCorner.x, kTolerance);
        EXPECT_NEAR(updateScene.pillY, c.pillCorner.y, kTolerance);
        EXPECT_NEAR(updateScene.pillMaxWidth, c.pillMaxWidth, kTolerance);
        EXPECT_NEAR(updateScene.pillHeight, c.pillHeight, kTolerance);
        EXPECT_EQ(updateScene.barFill, nullptr);
        Node* pill = updateScene.pillSprite ? static_cast<Node*>(updateScene.pillSprite) : updateScene.pillDrawNode;
        ASSERT_NE(pill, nullptr);
        EXPECT_NEAR(pill->getPositionX(), c.pillCorner.x, kTolerance);
        EXPECT_NEAR(pill->getPositionY(), c.pillCorner.y, kTolerance);
        if (updateScene.pillDrawNode) {
            EXPECT_TRUE(updateScene.pillDrawNode->getPrimitives().empty());
        }

        Label* label = updateScene.statusLabel;
        ASSERT_NE(label, nullptr);
        EXPECT_NEAR(label->getPositionX(), c.label.x, kTolerance);
        EXPECT_NEAR(label->getPositionY(), c.label.y, kTolerance);
    }
}

TEST_F(UpdateScene, ColourLayerAndStatusLabel) {
    au_checkupdate = "Đang kiểm tra";
    build(Size(640, 960), {});
    Scene* scene = updateScene.scene;
    scene->sortAllChildren();
    auto* colour = dynamic_cast<LayerColor*>(scene->getChildren().front());
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(colour->getLocalZOrder(), -10);
    EXPECT_EQ(colour->getPosition(), Vec2(0, 0));
    EXPECT_EQ(colour->getContentSize(), Size(750, 1334));  // the whole design area
    EXPECT_EQ(colour->getColor(), Color3B(20, 20, 80));
    EXPECT_EQ(colour->getOpacity(), 255);

    Label* label = updateScene.statusLabel;
    EXPECT_EQ(label->getString(), "Đang kiểm tra");
    EXPECT_EQ(label->getSystemFontName(), "sans-serif");
    EXPECT_EQ(label->getSystemFontSize(), 25);
    EXPECT_EQ(label->getTextColor(), Color4B(255, 255, 255, 255));
    EXPECT_EQ(label->getOutlineColor(), Color4B(0, 0, 0, 255));
    EXPECT_EQ(label->getOutlineSize(), 4);
    EXPECT_EQ(label->getAnchorPoint(), Vec2(0.5f, 0.5f));
    EXPECT_EQ(label->getDimensions(), Size::ZERO);
}

TEST_F(UpdateScene, PlainBarWithoutABackground) {
    const struct {
        const char* name;
        Size frame;
        Files files;
        std::string order;
        Vec2 bar;
        Vec2 label;
    } cases[] = {
        {"no background file, portrait window", Size(640, 960), {true}, "LayerColor-10 Layout0 LayerColor10 LayerColor11 Label12",
         Vec2(105, 200.5f), Vec2(375, 250.5f)},
        {"undecodable background, pill image unused", Size(750, 1334), {false, Size(), true, Size(200, 40)},
         "LayerColor-10 LayerColor10 LayerColor11 Label12", Vec2(105, 96), Vec2(375, 146)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        build(c.frame, c.files);
        Scene* scene = updateScene.scene;
        EXPECT_EQ(drawingOrder(scene), c.order);
        EXPECT_EQ(updateScene.bgSprite, nullptr);
        EXPECT_EQ(updateScene.pillSprite, nullptr);
        EXPECT_EQ(updateScene.pillDrawNode, nullptr);
        EXPECT_EQ(updateScene.barX, c.bar.x);
        EXPECT_EQ(updateScene.barY, c.bar.y);
        EXPECT_EQ(updateScene.barWidth, 540);
        EXPECT_EQ(updateScene.barHeight, 20);

        LayerColor* track = nullptr;
        for (Node* child : scene->getChildren())
            if (child->getLocalZOrder() == 10) track = dynamic_cast<LayerColor*>(child);
        ASSERT_NE(track, nullptr);
        EXPECT_EQ(track->getPosition(), c.bar);
        EXPECT_EQ(track->getContentSize(), Size(540, 20));
        EXPECT_EQ(track->getColor(), Color3B(0, 0, 0));
        EXPECT_EQ(track->getOpacity(), 130);

        LayerColor* fill = updateScene.barFill;
        ASSERT_NE(fill, nullptr);
        EXPECT_EQ(fill->getPosition(), c.bar);
        EXPECT_EQ(fill->getContentSize(), Size(1, 20));  // until the first percentage
        EXPECT_EQ(fill->getColor(), Color3B(95, 215, 125));
        EXPECT_EQ(fill->getOpacity(), 255);

        EXPECT_EQ(updateScene.statusLabel->getPosition(), c.label);
    }
}

TEST_F(UpdateScene, PillImageCapInsetsAndReferenceHeight) {
    const struct {
        const char* name;
        Size image;
        Rect insets;
        float imageHeight;
    } cases[] = {
        {"ends stay semicircular", Size(200, 40), Rect(20, 8, 160, 24), 40},
        {"odd height rounds the caps down", Size(101, 33), Rect(16, 6, 69, 21), 33},
        {"a circle has no centre width", Size(40, 40), Rect(20, 8, 0, 24), 40},
        {"narrower than two caps keeps the default insets", Size(30, 40), Rect::ZERO, 40},
        {"too small keeps the defaults", Size(3, 40), Rect::ZERO, 50},
        {"too flat keeps the defaults", Size(200, 3), Rect::ZERO, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        build(Size(750, 1334), {false, Size(750, 1334), false, c.image});
        ui::Scale9Sprite* pill = updateScene.pillSprite;
        ASSERT_NE(pill, nullptr);
        EXPECT_EQ(pill->getOriginalSize(), c.image);
        EXPECT_EQ(pill->getCapInsets(), c.insets);
        EXPECT_EQ(updateScene.pillImageHeight, c.imageHeight);
        EXPECT_EQ(pill->getAnchorPoint(), Vec2(0, 0));
        EXPECT_FLOAT_EQ(pill->getScaleX(), updateScene.pillHeight / c.imageHeight);
        EXPECT_FLOAT_EQ(pill->getScaleY(), updateScene.pillHeight / c.imageHeight);
        EXPECT_EQ(pill->getContentSize(), Size(c.imageHeight, c.imageHeight));
        EXPECT_FALSE(pill->isVisible());
        EXPECT_EQ(pill->getLocalZOrder(), 11);
    }
}

TEST_F(UpdateScene, BarGeometryByPercentage) {
    const float percents[] = {0, 1, 50, 100, 150, -3};

    // Image pill: the displayed width (content × scale), or hidden.
    build(Size(750, 1334), {false, Size(750, 1334), false, Size(200, 40)});
    const float maxW = updateScene.pillMaxWidth, h = updateScene.pillHeight, r = h / 2;
    const float imageWidths[] = {-1, 2 * r, maxW / 2, maxW, maxW, -1};  // -1: hidden
    for (size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE("image pill at " + std::to_string(percents[i]));
        setPillPercent(percents[i]);
        ui::Scale9Sprite* pill = updateScene.pillSprite;
        EXPECT_EQ(pill->isVisible(), imageWidths[i] >= 0);
        if (imageWidths[i] < 0) continue;
        EXPECT_NEAR(pill->getContentSize().width * pill->getScaleX(), imageWidths[i], kTolerance);
        EXPECT_EQ(pill->getContentSize().height, 40);
        EXPECT_NEAR(pill->getContentSize().height * pill->getScaleY(), h, kTolerance);
    }

    // Drawn pill: a rectangle between two circles, or only the circles.
    fresh();
    build(Size(750, 1334), {false, Size(750, 1334)});
    const Color4F green(95 / 255.0f, 215 / 255.0f, 125 / 255.0f, 1);
    for (size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE("drawn pill at " + std::to_string(percents[i]));
        setPillPercent(percents[i]);
        const auto& shapes = updateScene.pillDrawNode->getPrimitives();
        if (imageWidths[i] < 0) {
            EXPECT_TRUE(shapes.empty());
            continue;
        }
        const float w = imageWidths[i];
        const bool withRect = w - 2 * r > 0.01f;
        ASSERT_EQ(shapes.size(), withRect ? 3u : 2u);
        size_t at = 0;
        if (withRect) {
            EXPECT_EQ(shapes[0].kind, DrawNode::Primitive::Kind::SolidRect);
            EXPECT_NEAR(shapes[0].origin.x, r, kTolerance);
            EXPECT_EQ(shapes[0].origin.y, 0);
            EXPECT_NEAR(shapes[0].destination.x, w - r, kTolerance);
            EXPECT_NEAR(shapes[0].destination.y, h, kTolerance);
            EXPECT_EQ(shapes[0].color, green);
            at = 1;
        }
        const float centres[] = {r, w - r};
        for (int k = 0; k < 2; ++k) {
            const auto& circle = shapes[at + k];
            EXPECT_EQ(circle.kind, DrawNode::Primitive::Kind::SolidCircle);
            EXPECT_NEAR(circle.center.x, centres[k], kTolerance);
            EXPECT_NEAR(circle.center.y, r, kTolerance);
            EXPECT_NEAR(circle.radius, r, kTolerance);
            EXPECT_EQ(circle.angle, 0);
            EXPECT_EQ(circle.segments, 40u);
            EXPECT_EQ(circle.color, green);
        }
    }

    // Plain bar: the fill's width.
    fresh();
    build(Size(750, 1334), {});
    const float fills[] = {0, 5.4f, 270, 540, 540, 0};
    for (size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE("plain bar at " + std::to_string(percents[i]));
        setPillPercent(percents[i]);
        EXPECT_NEAR(updateScene.barFill->getContentSize().width, fills[i], kTolerance);
        EXPECT_EQ(updateScene.barFill->getContentSize().height, 20);
    }
}

TEST_F(UpdateScene, LayoutWidgetsAreFoundByNameAndClassAndHidden) {
    au_checkupdate = "Kiểm tra";
    const struct {
        const char* name;
        std::string layout;
        bool root, bar, msg;
    } cases[] = {
        {"the three widgets", layoutJson(), true, true, true},
        {"lbl_msg of another class", layoutJson("ImageView"), true, true, false},
        {"no bg widget", layoutJson("Label", false), true, true, true},
        {"empty file", "", false, false, false},
        {"not JSON", "{\"widgetTree\":", false, false, false},
        {"no widget tree", R"({"version":"1.6.0.0"})", false, false, false},
        {"widget tree not an object", R"({"version":"1.6.0.0","widgetTree":[]})", false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        game->write("autoupdate/autoupdate.json", c.layout);
        AutoUpdate* controller = build(Size(750, 1334), {});
        ASSERT_EQ(controller->layoutRoot != nullptr, c.root);
        EXPECT_EQ(controller->barProcess != nullptr, c.bar);
        EXPECT_EQ(controller->lblMsg != nullptr, c.msg);
        if (!c.root) {
            EXPECT_EQ(drawingOrder(updateScene.scene), "LayerColor-10 LayerColor10 LayerColor11 Label12");
            continue;
        }
        EXPECT_EQ(controller->layoutRoot->getParent(), updateScene.scene);
        EXPECT_TRUE(controller->layoutRoot->isVisible());
        if (controller->barProcess) {
            EXPECT_FALSE(controller->barProcess->isVisible());
        }
        if (controller->lblMsg) {
            EXPECT_FALSE(controller->lblMsg->isVisible());
            EXPECT_EQ(controller->lblMsg->getString(), "Kiểm tra");
        }
        ui::Widget* bg = ui::Helper::seekWidgetByName(controller->layoutRoot, "bg");
        if (bg) {
            EXPECT_FALSE(bg->isVisible());
        }
        ui::Widget* other = ui::Helper::seekWidgetByName(controller->layoutRoot, "lbl_msg");
        if (other && !controller->lblMsg) {
            EXPECT_TRUE(other->isVisible()) << "only the named three are hidden";
        }
    }
}

TEST_F(UpdateScene, TextsComeFromTheLanguageTableOnTheUpdateSearchPaths) {
    game->write("autoupdate/lang.json", R"({"vi":{"au_checkupdate":"Đang kiểm tra cập nhật..."}})");
    build(Size(750, 1334), {});
    EXPECT_EQ(au_checkupdate, "Đang kiểm tra cập nhật...");
    EXPECT_EQ(updateScene.statusLabel->getString(), "Đang kiểm tra cập nhật...");

    // A table of the downloaded tree, which only the update's search paths
    // reach, wins over the shipped one: the table is read after they are set.
    fresh();
    game->write("autoupdate/lang.json", R"({"vi":{"au_checkupdate":"shipped"}})");
    const std::string downloaded = getResourcesDir() + "autoupdate/";
    ASSERT_TRUE(FileUtils::getInstance()->createDirectory(downloaded));
    updatetest::writeFile(downloaded + "lang.json", R"({"vi":{"au_checkupdate":"downloaded"}})");
    build(Size(750, 1334), {});
    updatetest::removeTree(downloaded);
    EXPECT_EQ(au_checkupdate, "downloaded");
    EXPECT_EQ(updateScene.statusLabel->getString(), "downloaded");
}

TEST_F(UpdateScene, SearchPathsPutTheDownloadedTreeFirst) {
    FileUtils* files = FileUtils::getInstance();
    const std::vector<std::string> before = files->getSearchPaths();
    AutoUpdate* controller = build(Size(750, 1334), {true});
    const std::string root = files->getDefaultResourceRootPath();
    const std::string u = getResourcesDir();
    ASSERT_EQ(u, writableFolder() + "auc/Resources/");
    std::vector<std::string> expected = {root + "res/", u + "frame/", u + "stu/",     u + "res/",
                                         u + "src/",    u + "skin/",  u,              root + "frame/",
                                         root + "stu/", root + "res/", root + "src/", root + "skin/"};
    expected.insert(expected.end(), before.begin(), before.end());
    EXPECT_EQ(files->getSearchPaths(), expected);
    EXPECT_EQ(controller->savedSearchPaths, before);
    EXPECT_FALSE(files->isPopupNotify());
    EXPECT_TRUE(Director::getInstance()->getScheduler()->isScheduled("AutoUpdate_checkResAndUpdate", controller));
}

TEST(UpdateSearchPaths, TwelveInFrontOfThePreviousList) {
    EXPECT_EQ(updateSearchPaths("W/", {"a/", "res/"}),
              (std::vector<std::string>{"res", "W/frame", "W/stu", "W/res", "W/src", "W/skin", "W/", "frame", "stu",
                                        "res", "src", "skin", "a/", "res/"}));
}

TEST_F(UpdateScene, TeardownWithTheLayoutRestoresPathsAndRemovesIt) {
    FileUtils* files = FileUtils::getInstance();
    const std::vector<std::string> before = files->getSearchPaths();
    AutoUpdate* controller = build(Size(750, 1334), {true, Size(750, 1334), false, Size(200, 40)});
    Scene* scene = updateScene.scene;
    Label* label = updateScene.statusLabel;
    ui::Scale9Sprite* pill = updateScene.pillSprite;
    const float maxW = updateScene.pillMaxWidth;
    controller->showAlert("kept in the layout", [] {});
    ASSERT_NE(findLabel(scene, "kept in the layout"), nullptr);

    controller->teardownUI();
    EXPECT_EQ(files->getSearchPaths(), before);
    EXPECT_TRUE(files->isPopupNotify());
    EXPECT_EQ(controller->layoutRoot, nullptr);
    EXPECT_EQ(controller->barProcess, nullptr);
    EXPECT_EQ(controller->lblMsg, nullptr);
    EXPECT_EQ(drawingOrder(scene), "LayerColor-10 Sprite-5 Scale9Sprite11 Label12");
    EXPECT_EQ(findLabel(scene, "kept in the layout"), nullptr) << "the alert goes with the layout";
    EXPECT_EQ(label->getString(), "Đang khởi động game...");
    EXPECT_TRUE(pill->isVisible());
    EXPECT_NEAR(pill->getContentSize().width * pill->getScaleX(), maxW, kTolerance);
    EXPECT_EQ(updateScene.statusLabel, nullptr);
    EXPECT_EQ(updateScene.pillSprite, nullptr);
    EXPECT_EQ(updateScene.bgSprite, nullptr);
}

TEST_F(UpdateScene, TeardownWithoutTheLayoutKeepsTheUpdatePaths) {
    FileUtils* files = FileUtils::getInstance();
    AutoUpdate* controller = build(Size(750, 1334), {});
    const std::vector<std::string> during = files->getSearchPaths();
    LayerColor* fill = updateScene.barFill;
    Label* label = updateScene.statusLabel;

    controller->teardownUI();
    EXPECT_EQ(files->getSearchPaths(), during);
    EXPECT_EQ(during.front(), files->getDefaultResourceRootPath() + "res/");
    EXPECT_FALSE(files->isPopupNotify());
    EXPECT_EQ(label->getString(), "Đang khởi động game...");
    EXPECT_EQ(fill->getContentSize(), Size(540, 20));
    EXPECT_EQ(updateScene.barFill, nullptr);
}

TEST_F(UpdateScene, TeardownWithoutASceneChangesNothing) {
    FileUtils* files = FileUtils::getInstance();
    const std::vector<std::string> before = files->getSearchPaths();
    AutoUpdate::getInstance()->teardownUI();
    EXPECT_EQ(files->getSearchPaths(), before);
    EXPECT_TRUE(files->isPopupNotify());
    EXPECT_EQ(Director::getInstance()->getRunningScene(), nullptr);
}

TEST_F(UpdateScene, RunsOnTheNextFrame) {
    build(Size(750, 1334), {});
    EXPECT_EQ(Director::getInstance()->getRunningScene(), nullptr);
    runFrames(1);
    EXPECT_EQ(Director::getInstance()->getRunningScene(), updateScene.scene);
    Director::getInstance()->getScheduler()->unscheduleAllForTarget(AutoUpdate::getInstance());
}

}  // namespace
