// Layout files to widget trees: a good file read back, and every kind of bad
// file giving null or defaults instead of a crash.
#include "base/CCAutoreleasePool.h"
#include "base/CCDirector.h"
#include "editor-support/cocostudio/CCSGUIReader.h"
#include "platform/CCFileUtils.h"
#include "ui/CocosGUI.h"

#include "ImageFixtures.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace cocos2d;
using cocostudio::GUIReader;

namespace {

const char kGoodLayout[] = R"({"version":"1.6.0.0","designWidth":750,"designHeight":1334,"textures":[],"texturesPng":[],
 "widgetTree":{"classname":"Panel","options":{"name":"root","width":750,"height":1334,"colorType":1,"bgColorR":10,"bgColorG":20,"bgColorB":30},"children":[
   {"classname":"ImageView","options":{"name":"bg","fileNameData":{"path":"img/bg.png","resourceType":0},"x":375,"y":667,"ZOrder":-1},"children":[]},
   {"classname":"LoadingBar","options":{"name":"bar_process","percent":30,"x":375,"y":120,"direction":1,
      "textureData":{"path":"img/missing.png","resourceType":0}},"children":[]},
   {"classname":"Label","options":{"name":"lbl_msg","text":"Xin chào","fontSize":24,"x":375,"y":160,"visible":false,"tag":7},"children":[]},
   {"classname":"Button","options":{"name":"btn","x":100,"y":50,"anchorPointX":0,"anchorPointY":0,"text":"OK","fontSize":22,
      "normalData":{"path":"img/bg.png","resourceType":0}},"children":[]},
   {"classname":"CustomThing","options":{"name":"mystery","x":1,"y":2},"children":[
      {"classname":"TextArea","options":{"name":"nested","text":"deep"},"children":[]}]}]}})";

class GUIReaderFiles : public ::testing::Test {
protected:
    void TearDown() override {
        Director::getInstance()->purgeDirector();
        AutoreleasePool::getInstance()->clear();
    }
    ui::Widget* load(const std::string& name, const std::string& content) {
        enginetest::writeFile(dir / name, content);
        return GUIReader::getInstance()->widgetFromJsonFile((dir / name).c_str());
    }
    enginetest::TempDir dir;
};

TEST_F(GUIReaderFiles, AGoodLayoutBuildsTheTreeItDescribes) {
    enginetest::makeDir(dir / "img");
    enginetest::writeFile(dir / "img/bg.png", enginetest::quadPng());
    ui::Widget* root = load("layout.json", kGoodLayout);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getReferenceCount(), 1u);
    EXPECT_TRUE(AutoreleasePool::getInstance()->contains(root)) << "autoreleased, like create()";

    auto* layout = dynamic_cast<ui::Layout*>(root);
    ASSERT_NE(layout, nullptr) << "Panel is a Layout";
    EXPECT_EQ(root->getName(), "root");
    EXPECT_EQ(root->getContentSize(), Size(750, 1334));
    EXPECT_EQ(layout->getBackGroundColorType(), ui::Layout::BackGroundColorType::SOLID);
    EXPECT_EQ(layout->getBackGroundColor(), Color3B(10, 20, 30));
    EXPECT_EQ(root->getChildrenCount(), 5u);

    auto* bg = dynamic_cast<ui::ImageView*>(ui::Helper::seekWidgetByName(root, "bg"));
    ASSERT_NE(bg, nullptr);
    EXPECT_TRUE(bg->hasTexture()) << "image path relative to the layout's folder";
    EXPECT_EQ(bg->getContentSize(), Size(16, 4));
    EXPECT_EQ(bg->getPosition(), Vec2(375, 667));
    EXPECT_EQ(bg->getLocalZOrder(), -1);

    auto* bar = dynamic_cast<ui::LoadingBar*>(ui::Helper::seekWidgetByName(root, "bar_process"));
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->hasTexture()) << "a missing image does not fail the load";
    EXPECT_EQ(bar->getPercent(), 30.0f);
    EXPECT_EQ(bar->getDirection(), ui::LoadingBar::Direction::RIGHT);

    auto* msg = dynamic_cast<ui::Text*>(ui::Helper::seekWidgetByName(root, "lbl_msg"));
    ASSERT_NE(msg, nullptr) << "Label is a Text";
    EXPECT_EQ(msg->getString(), "Xin chào");
    EXPECT_EQ(msg->getFontSize(), 24.0f);
    EXPECT_FALSE(msg->isVisible());
    EXPECT_EQ(msg->getTag(), 7);
    EXPECT_EQ(msg->getAnchorPoint(), Vec2(0.5f, 0.5f));

    auto* btn = dynamic_cast<ui::Button*>(ui::Helper::seekWidgetByName(root, "btn"));
    ASSERT_NE(btn, nullptr);
    EXPECT_TRUE(btn->hasNormalTexture());
    EXPECT_EQ(btn->getTitleText(), "OK");
    EXPECT_EQ(btn->getTitleFontSize(), 22.0f);
    EXPECT_EQ(btn->getAnchorPoint(), Vec2(0, 0));

    ui::Widget* mystery = ui::Helper::seekWidgetByName(root, "mystery");
    ASSERT_NE(mystery, nullptr);
    EXPECT_EQ(dynamic_cast<ui::Layout*>(mystery), nullptr);
    EXPECT_EQ(dynamic_cast<ui::Button*>(mystery), nullptr);
    EXPECT_NE(dynamic_cast<ui::Text*>(ui::Helper::seekWidgetByName(root, "nested")), nullptr) << "TextArea is a Text";

    EXPECT_EQ(GUIReader::getInstance()->getFileDesignSize((dir / "layout.json").c_str()), Size(750, 1334));
}

TEST_F(GUIReaderFiles, FilesThatGiveNoTreeGiveNull) {
    struct Case {
        const char* what;
        std::string content;
    };
    const Case cases[] = {
        {"empty", ""},
        {"blank", "  \n\t "},
        {"not JSON", "<html>404</html>"},
        {"cut short", std::string(kGoodLayout).substr(0, 200)},
        {"trailing garbage", std::string(kGoodLayout) + " {}"},
        {"byte order mark", "\xEF\xBB\xBF" + std::string(kGoodLayout)},
        {"root is an array", "[1, 2, 3]"},
        {"root is a string", "\"widgetTree\""},
        {"no widgetTree", R"({"version":"1.6.0.0","designWidth":750,"designHeight":1334})"},
        {"widgetTree is an array", R"({"widgetTree":[{"classname":"Panel"}]})"},
        {"widgetTree is a number", R"({"widgetTree":5})"},
    };
    for (const Case& c : cases) EXPECT_EQ(load("bad.json", c.content), nullptr) << c.what;
    EXPECT_EQ(GUIReader::getInstance()->widgetFromJsonFile((dir / "missing.json").c_str()), nullptr);
    EXPECT_EQ(GUIReader::getInstance()->widgetFromJsonFile(nullptr), nullptr);
    EXPECT_EQ(GUIReader::getInstance()->widgetFromJsonFile(""), nullptr);
}

TEST_F(GUIReaderFiles, FieldsOfTheWrongTypeCountAsAbsent) {
    const char layout[] = R"({"version":1600,"designWidth":"750","designHeight":null,
      "widgetTree":{"classname":7,"options":"not an object","name":"from-top-level","children":{"a":1}}})";
    ui::Widget* root = load("types.json", layout);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getName(), "from-top-level");
    EXPECT_EQ(root->getChildrenCount(), 0u);

    const char fields[] = R"({"version":"1.6.0.0","designWidth":100,"designHeight":100,
      "widgetTree":{"classname":"Panel","options":{"name":"root"},"children":[
        "a string child", 12, null,
        {"classname":"LoadingBar","options":{"name":5,"x":"10","y":[1],"visible":"no","percent":"50","ZOrder":1e30,
           "textureData":"bar.png","direction":"left","tag":2.5},"children":[]},
        {"classname":"ImageView","options":{"fileNameData":{"path":7,"resourceType":"0"},"scale9Enable":1}},
        {"classname":"Label","options":{"text":12,"fontSize":"big","hAlignment":9}}]}})";
    root = load("fields.json", fields);
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->getChildrenCount(), 3u) << "entries that are not objects are skipped";
    auto* bar = dynamic_cast<ui::LoadingBar*>(root->getChildren()[0]);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->getName(), "default");
    EXPECT_EQ(bar->getPosition(), Vec2(0, 0));
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->getPercent(), 100.0f) << "the default when the value is not a number";
    EXPECT_EQ(bar->getLocalZOrder(), 0);
    EXPECT_EQ(bar->getTag(), 2);
    EXPECT_FALSE(bar->hasTexture());
    auto* image = dynamic_cast<ui::ImageView*>(root->getChildren()[1]);
    ASSERT_NE(image, nullptr);
    EXPECT_FALSE(image->hasTexture());
    EXPECT_FALSE(image->isScale9Enabled());
    auto* text = dynamic_cast<ui::Text*>(root->getChildren()[2]);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->getString(), "Text Label");
    EXPECT_EQ(text->getFontSize(), 20.0f);
    EXPECT_EQ(text->getTextHorizontalAlignment(), TextHAlignment::LEFT);
}

TEST_F(GUIReaderFiles, AVeryDeepTreeIsCutInsteadOfOverflowingTheStack) {
    std::string deep = R"({"version":"1.6.0.0","designWidth":10,"designHeight":10,"widgetTree":)";
    const int levels = 5000;
    for (int i = 0; i < levels; ++i) deep += R"({"classname":"Panel","options":{},"children":[)";
    for (int i = 0; i < levels; ++i) deep += "]}";
    deep += "}";
    ui::Widget* root = load("deep.json", deep);
    ASSERT_NE(root, nullptr);
    int depth = 0;
    for (Node* n = root; !n->getChildren().empty(); n = n->getChildren()[0]) ++depth;
    EXPECT_EQ(depth, 64);
}

TEST_F(GUIReaderFiles, ANameFoundThroughTheSearchPathsTakesImagesFromItsOwnFolder) {
    enginetest::makeDir(dir / "autoupdate");
    enginetest::writeFile(dir / "autoupdate/bg.png", enginetest::quadPng());
    enginetest::writeFile(dir / "autoupdate/ui.json",
                          R"({"version":"1.6.0.0","designWidth":750,"designHeight":1334,"widgetTree":{"classname":"Panel",
                          "options":{"name":"root"},"children":[{"classname":"ImageView","options":{"name":"bg",
                          "fileNameData":{"path":"bg.png","resourceType":0}},"children":[]}]}})");
    FileUtils* fu = FileUtils::getInstance();
    const std::vector<std::string> saved = fu->getSearchPaths();
    fu->setSearchPaths({dir.path()});
    ui::Widget* root = GUIReader::getInstance()->widgetFromJsonFile("autoupdate/ui.json");
    fu->setSearchPaths(saved);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getContentSize(), Size(750, 1334)) << "an unsized root takes the design size";
    auto* bg = dynamic_cast<ui::ImageView*>(ui::Helper::seekWidgetByName(root, "bg"));
    ASSERT_NE(bg, nullptr);
    EXPECT_TRUE(bg->hasTexture());
}

TEST(GUIReaderVersion, VersionStringsToIntegers) {
    const std::pair<const char*, int> cases[] = {
        {"1.6.0.0", 1600}, {"0.2.5.0", 250}, {"1.2.3.4", 1234}, {"1.6", 0}, {"", 0}, {"abcdefg", 0}};
    for (const auto& c : cases) EXPECT_EQ(GUIReader::getInstance()->getVersionInteger(c.first), c.second) << c.first;
    EXPECT_EQ(GUIReader::getInstance()->getVersionInteger(nullptr), 0);
}

} // namespace
