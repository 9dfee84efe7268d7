// The update scene: design resolution, search paths, texts, the layout with
// its own progress widgets hidden, the colour layer, the cover-scaled
// background, the bar (an image pill, a drawn pill or a plain bar), the
// status label; its teardown; and the bar's drawing.
//
// No failure here is reported or stops the update: each missing file only
// changes what is shown.
#include "update/controller/AutoUpdateScene.h"

#include "cocos2d.h"
#include "editor-support/cocostudio/CCSGUIReader.h"
#include "ui/CocosGUI.h"
#include "update/controller/AutoUpdate.h"
#include "update/engine/UpdatePaths.h"
#include "update/controller/UpdateTexts.h"

#include <algorithm>
#include <cmath>

using namespace cocos2d;

UpdateSceneRefs updateScene;

namespace {

const char* const kLayoutFile = "autoupdate/autoupdate.json";
const char* const kBackgroundFile = "autoupdate/bg.jpg";
const char* const kPillFile = "autoupdate/loadingbar.png";
const char* const kStatusFont = "sans-serif";
const char* const kStartingGameText = "Đang khởi động game...";
const char* const kFirstRequestKey = "AutoUpdate_checkResAndUpdate";

constexpr float kDesignWidth = 750;
constexpr float kDesignHeight = 1334;
constexpr float kStatusFontSize = 25;
constexpr int kStatusOutlineSize = 4;
const Color4B kColourLayer(20, 20, 80, 255);
const Color4B kBarTrackColour(0, 0, 0, 130);
const Color4B kBarFillColour(95, 215, 125, 255);
const Color4F kPillColour(95 / 255.0f, 215 / 255.0f, 125 / 255.0f, 1.0f);

// The pill's place as shares of the displayed background, so that it stays
// on the same spot of the art at any window shape.
constexpr float kPillLeftShare = 0.125f;
constexpr float kPillBottomShare = 0.06953125f;
constexpr float kPillWidthShare = 0.75555557f;  // 34/45
constexpr float kPillHeightShare = 0.017708333f;  // 17/960
constexpr float kLabelBottomShare = 0.15f;
constexpr unsigned int kPillCircleSegments = 40;

// The plain bar, without a background.
constexpr float kPlainBarWidth = 540;
constexpr float kPlainBarHeight = 20;
constexpr float kPlainBarBottom = 96;
constexpr float kPlainLabelGap = 30;

// Where the background is drawn, in scene units.
struct BackgroundBox {
    float left = 0, bottom = 0, width = 0, height = 0;
};

void hide(Node* node) {
    if (node) node->setVisible(false);
}

BackgroundBox addBackground(Scene* scene, const Size& vis, const Vec2& origin) {
    BackgroundBox box;
    Sprite* bg = Sprite::create(kBackgroundFile);
    updateScene.bgSprite = bg;
    if (bg == nullptr) return box;
    const Size size = bg->getContentSize();
    const float scale = (size.width > 0 && size.height > 0) ? std::max(vis.width / size.width, vis.height / size.height)
                                                             : 1.0f;
    bg->setScale(scale);
    bg->setPosition(origin.x + vis.width / 2, origin.y + vis.height / 2);
    scene->addChild(bg, kBackgroundZ);
    box.width = size.width * scale;
    box.height = size.height * scale;
    box.left = origin.x + vis.width / 2 - box.width / 2;
    box.bottom = origin.y + vis.height / 2 - box.height / 2;
    return box;
}

// The cap insets that keep the pill's ends semicircular: side caps half the
// image's height, top and bottom caps a fifth. An image too narrow for two
// such caps keeps the default insets (a negative centre cannot be drawn).
void setPillCapInsets(ui::Scale9Sprite* pill, const Size& original) {
    const float side = std::floor(original.height * 0.5f);
    const float edge = std::floor(original.height * 0.2f);
    const float centreWidth = original.width - 2 * side;
    if (centreWidth < 0) return;
    pill->setCapInsets(Rect(side, edge, centreWidth, original.height - 2 * edge));
}

void addPill(Scene* scene) {
    FileUtils* files = FileUtils::getInstance();
    ui::Scale9Sprite* pill = files->isFileExist(kPillFile) ? ui::Scale9Sprite::create(kPillFile) : nullptr;
    if (pill) {
        const Size original = pill->getOriginalSize();
        if (original.width >= 4 && original.height >= 4) {
            updateScene.pillImageHeight = original.height;
            setPillCapInsets(pill, original);
        }
        const float imageHeight = updateScene.pillImageHeight;
        pill->setAnchorPoint(Vec2(0, 0));
        pill->setPosition(updateScene.pillX, updateScene.pillY);
        pill->setScale(updateScene.pillHeight / imageHeight);
        pill->setContentSize(Size(imageHeight, imageHeight));  // the shortest pill: a circle
        pill->setVisible(false);
        scene->addChild(pill, kPillZ);
        updateScene.pillSprite = pill;
        return;
    }
    DrawNode* drawn = DrawNode::create();
    if (drawn == nullptr) return;
    drawn->setPosition(updateScene.pillX, updateScene.pillY);
    scene->addChild(drawn, kPillZ);
    updateScene.pillDrawNode = drawn;
}

void addPlainBar(Scene* scene, const Size& vis, const Vec2& origin) {
    UpdateSceneRefs& s = updateScene;
    s.barWidth = kPlainBarWidth;
    s.barHeight = kPlainBarHeight;
    s.barX = origin.x + (vis.width - kPlainBarWidth) * 0.5f;
    s.barY = origin.y + kPlainBarBottom;
    if (LayerColor* track = LayerColor::create(kBarTrackColour, s.barWidth, s.barHeight)) {
        track->setPosition(s.barX, s.barY);
        scene->addChild(track, kBarTrackZ);
    }
    s.barFill = LayerColor::create(kBarFillColour, 1, s.barHeight);
    if (s.barFill) {
        s.barFill->setPosition(s.barX, s.barY);
        scene->addChild(s.barFill, kBarFillZ);
    }
}

}  // namespace

std::vector<std::string> updateSearchPaths(const std::string& resourcesDir, const std::vector<std::string>& previous) {
    const std::string& u = resourcesDir;
    std::vector<std::string> paths = {"res",     u + "frame", u + "stu", u + "res", u + "src", u + "skin",
                                      u,         "frame",     "stu",     "res",     "src",     "skin"};
    paths.insert(paths.end(), previous.begin(), previous.end());
    return paths;
}

void AutoUpdate::buildScene() {
    checkThread("AutoUpdate::buildScene");
    Director* director = Director::getInstance();
    FileUtils* files = FileUtils::getInstance();
    updateScene = UpdateSceneRefs();
    layoutRoot = nullptr;
    barProcess = nullptr;
    lblMsg = nullptr;

    if (GLView* view = director->getOpenGLView()) {
        view->setDesignResolutionSize(kDesignWidth, kDesignHeight, ResolutionPolicy::NO_BORDER);
    }
    files->setPopupNotify(false);
    savedSearchPaths = files->getSearchPaths();
    files->setSearchPaths(updateSearchPaths(getResourcesDir(), savedSearchPaths));
    loadLanguage();

    layoutRoot = cocostudio::GUIReader::getInstance()->widgetFromJsonFile(kLayoutFile);
    if (layoutRoot) {
        barProcess = dynamic_cast<ui::LoadingBar*>(ui::Helper::seekWidgetByName(layoutRoot, "bar_process"));
        lblMsg = dynamic_cast<ui::Text*>(ui::Helper::seekWidgetByName(layoutRoot, "lbl_msg"));
        if (lblMsg) lblMsg->setString(au_checkupdate);
        // The layout's own progress widgets only receive the values; the
        // display built below is the one that shows.
        hide(ui::Helper::seekWidgetByName(layoutRoot, "bg"));
        hide(barProcess);
        hide(lblMsg);
    }

    Scene* scene = Scene::create();
    if (scene == nullptr) return;
    updateScene.scene = scene;
    if (LayerColor* colour = LayerColor::create(kColourLayer)) scene->addChild(colour, kColourLayerZ);
    if (layoutRoot) scene->addChild(layoutRoot);
    director->runWithScene(scene);

    const Size vis = director->getVisibleSize();
    const Vec2 origin = director->getVisibleOrigin();
    const BackgroundBox bg = addBackground(scene, vis, origin);
    const bool onBackground = updateScene.bgSprite && bg.width > 0 && bg.height > 0;
    if (onBackground) {
        updateScene.pillX = bg.left + kPillLeftShare * bg.width;
        updateScene.pillY = bg.bottom + kPillBottomShare * bg.height;
        updateScene.pillMaxWidth = kPillWidthShare * bg.width;
        updateScene.pillHeight = kPillHeightShare * bg.height;
        addPill(scene);
    } else {
        addPlainBar(scene, vis, origin);
    }

    Label* label = Label::createWithSystemFont(au_checkupdate, kStatusFont, kStatusFontSize);
    updateScene.statusLabel = label;
    if (label) {
        label->setTextColor(Color4B(255, 255, 255, 255));
        label->enableOutline(Color4B(0, 0, 0, 255), kStatusOutlineSize);
        const float y = onBackground ? bg.bottom + kLabelBottomShare * bg.height
                                     : updateScene.barY + updateScene.barHeight + kPlainLabelGap;
        label->setPosition(origin.x + vis.width * 0.5f, y);
        scene->addChild(label, kStatusLabelZ);
    }

    director->getScheduler()->schedule([this](float) { requestGateway(); }, this, 0.0f, 0, 0.0f, false,
                                       kFirstRequestKey);
}

void AutoUpdate::teardownUI() {
    checkThread("AutoUpdate::teardownUI");
    if (layoutRoot) {
        FileUtils* files = FileUtils::getInstance();
        files->setSearchPaths(savedSearchPaths);
        files->setPopupNotify(true);
        layoutRoot->removeFromParent();  // frees the layout with any alert in it
        layoutRoot = nullptr;
        barProcess = nullptr;
        lblMsg = nullptr;
    }
    if (updateScene.statusLabel) updateScene.statusLabel->setString(kStartingGameText);
    setPillPercent(100);
    // The nodes stay on screen until the game replaces the scene.
    updateScene.bgSprite = nullptr;
    updateScene.pillSprite = nullptr;
    updateScene.pillDrawNode = nullptr;
    updateScene.barFill = nullptr;
    updateScene.statusLabel = nullptr;
    updateScene.scene = nullptr;
}

void setPillPercent(float percent) {
    UpdateSceneRefs& s = updateScene;
    const float p = percent > 0 ? std::min(100.0f, percent) : 0.0f;  // NaN counts as 0
    if (!s.pillSprite && !s.pillDrawNode) {
        if (s.barFill) s.barFill->setContentSize(Size(s.barWidth * p / 100, s.barHeight));
        return;
    }
    const float r = s.pillHeight / 2;
    float w = s.pillMaxWidth * p / 100;
    if (p > 0) w = std::max(2 * r, w);  // a pill that shows anything is at least a circle
    w = std::min(s.pillMaxWidth, w);

    if (s.pillSprite) {
        if (p <= 0) {
            s.pillSprite->setVisible(false);
            return;
        }
        s.pillSprite->setContentSize(Size(w / (s.pillHeight / s.pillImageHeight), s.pillImageHeight));
        s.pillSprite->setVisible(true);
        return;
    }
    s.pillDrawNode->clear();
    if (p <= 0) return;
    if (w - 2 * r > 0.01f) s.pillDrawNode->drawSolidRect(Vec2(r, 0), Vec2(w - r, s.pillHeight), kPillColour);
    s.pillDrawNode->drawSolidCircle(Vec2(r, r), r, 0, kPillCircleSegments, kPillColour);
    s.pillDrawNode->drawSolidCircle(Vec2(w - r, r), r, 0, kPillCircleSegments, kPillColour);
}
