// Layout files of the UI editor to widget trees. Every JSON value is
// type-checked before use: a field of the wrong type counts as absent, so a
// hand-edited or damaged file never trips a rapidjson assertion.
#include "editor-support/cocostudio/CCSGUIReader.h"

#include "base/CCConsole.h"
#include "base/CCDirector.h"
#include "platform/CCFileUtils.h"
#include "ui/CocosGUI.h"

#include <rapidjson/document.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace cocos2d;
using namespace cocos2d::ui;

namespace cocostudio {

namespace {

// Deeper trees are cut here; no real layout comes near it.
const int kMaxTreeDepth = 64;
// Versions before this use the flat keys of the oldest editor.
const int kFirstNestedKeysVersion = 250;

const rapidjson::Value* member(const rapidjson::Value& object, const char* name) {
    if (!object.IsObject()) return nullptr;
    auto it = object.FindMember(name);
    return it == object.MemberEnd() ? nullptr : &it->value;
}

bool getNumber(const rapidjson::Value& o, const char* name, float* out) {
    const rapidjson::Value* v = member(o, name);
    if (!v || !v->IsNumber()) return false;
    *out = static_cast<float>(v->GetDouble());
    return true;
}

float numberOr(const rapidjson::Value& o, const char* name, float fallback) {
    float v = fallback;
    getNumber(o, name, &v);
    return v;
}

bool getInt(const rapidjson::Value& o, const char* name, int* out) {
    const rapidjson::Value* v = member(o, name);
    if (!v || !v->IsNumber()) return false;
    const double d = v->GetDouble();
    if (d < -2147483648.0 || d > 2147483647.0) return false;
    *out = static_cast<int>(d);
    return true;
}

bool getBool(const rapidjson::Value& o, const char* name, bool* out) {
    const rapidjson::Value* v = member(o, name);
    if (!v || !v->IsBool()) return false;
    *out = v->GetBool();
    return true;
}

bool getString(const rapidjson::Value& o, const char* name, std::string* out) {
    const rapidjson::Value* v = member(o, name);
    if (!v || !v->IsString()) return false;
    out->assign(v->GetString(), v->GetStringLength());
    return true;
}

GLubyte byteOr(const rapidjson::Value& o, const char* name, GLubyte fallback) {
    int v = fallback;
    if (!getInt(o, name, &v)) return fallback;
    return static_cast<GLubyte>(std::max(0, std::min(255, v)));
}

std::string canonicalClass(const std::string& name) {
    if (name == "Panel") return "Layout";
    if (name == "Label" || name == "TextArea") return "Text";
    if (name == "TextButton") return "Button";
    return name;
}

class TreeBuilder {
public:
    TreeBuilder(std::string folder, int version) : _folder(std::move(folder)), _version(version) {}

    Widget* build(const rapidjson::Value& node, Widget* parent, int depth) const;

private:
    // A local image of a {"path", "resourceType"} object (or of an old flat
    // key); "" when there is none or it is a sprite-frame name.
    std::string imagePath(const rapidjson::Value& options, const char* dataKey, const char* flatKey) const;
    Widget* createWidget(const std::string& className) const;
    void applyTypeOptions(Widget* widget, const rapidjson::Value& options) const;
    void applyCommonOptions(Widget* widget, const rapidjson::Value& options, const rapidjson::Value& node) const;
    void applyColorOptions(Widget* widget, const rapidjson::Value& options) const;

    std::string _folder;
    int _version;
};

std::string TreeBuilder::imagePath(const rapidjson::Value& options, const char* dataKey, const char* flatKey) const {
    std::string path;
    const rapidjson::Value* data = member(options, dataKey);
    if (data && data->IsObject()) {
        int type = 0;
        getInt(*data, "resourceType", &type);
        if (type != 0 || !getString(*data, "path", &path)) return std::string();
    } else if (_version < kFirstNestedKeysVersion && flatKey) {
        getString(options, flatKey, &path);
    }
    if (path.empty()) return std::string();
    return _folder + path;
}

Widget* TreeBuilder::createWidget(const std::string& className) const {
    if (className == "Layout") return Layout::create();
    if (className == "ImageView") return ImageView::create();
    if (className == "LoadingBar") return LoadingBar::create();
    if (className == "Text") return Text::create();
    if (className == "Button") return Button::create();
    return Widget::create();
}

void TreeBuilder::applyTypeOptions(Widget* widget, const rapidjson::Value& options) const {
    if (auto* image = dynamic_cast<ImageView*>(widget)) {
        image->loadTexture(imagePath(options, "fileNameData", "fileName"));
        bool scale9 = false;
        if (getBool(options, "scale9Enable", &scale9) && scale9) {
            image->setScale9Enabled(true);
            image->setCapInsets(Rect(numberOr(options, "capInsetsX", 0), numberOr(options, "capInsetsY", 0),
                                     numberOr(options, "capInsetsWidth", 0), numberOr(options, "capInsetsHeight", 0)));
            image->ignoreContentAdaptWithSize(false);
            image->setContentSize(
                Size(numberOr(options, "scale9Width", 80), numberOr(options, "scale9Height", 80)));
        }
        return;
    }
    if (auto* bar = dynamic_cast<LoadingBar*>(widget)) {
        bar->loadTexture(imagePath(options, "textureData", "texture"));
        bool scale9 = false;
        if (getBool(options, "scale9Enable", &scale9) && scale9) {
            bar->setScale9Enabled(true);
            bar->setCapInsets(Rect(numberOr(options, "capInsetsX", 0), numberOr(options, "capInsetsY", 0),
                                   numberOr(options, "capInsetsWidth", 0), numberOr(options, "capInsetsHeight", 0)));
        }
        int direction = 0;
        if (getInt(options, "direction", &direction))
            bar->setDirection(direction == 1 ? LoadingBar::Direction::RIGHT : LoadingBar::Direction::LEFT);
        bar->setPercent(numberOr(options, "percent", 100));
        return;
    }
    if (auto* text = dynamic_cast<Text*>(widget)) {
        std::string value = "Text Label";
        getString(options, "text", &value);
        std::string font;
        if (getString(options, "fontName", &font)) text->setFontName(font);
        text->setFontSize(numberOr(options, "fontSize", 20));
        float areaW = 0, areaH = 0;
        if (getNumber(options, "areaWidth", &areaW) | getNumber(options, "areaHeight", &areaH))
            text->setTextAreaSize(Size(areaW, areaH));
        int h = 0, v = 0;
        if (getInt(options, "hAlignment", &h) && h >= 0 && h <= 2)
            text->setTextHorizontalAlignment(static_cast<TextHAlignment>(h));
        if (getInt(options, "vAlignment", &v) && v >= 0 && v <= 2)
            text->setTextVerticalAlignment(static_cast<TextVAlignment>(v));
        text->setString(value);
        return;
    }
    if (auto* button = dynamic_cast<Button*>(widget)) {
        button->loadTextures(imagePath(options, "normalData", "normal"), imagePath(options, "pressedData", "pressed"),
                             imagePath(options, "disabledData", "disabled"));
        bool scale9 = false;
        if (getBool(options, "scale9Enable", &scale9) && scale9) {
            button->setScale9Enabled(true);
            button->setCapInsets(Rect(numberOr(options, "capInsetsX", 0), numberOr(options, "capInsetsY", 0),
                                      numberOr(options, "capInsetsWidth", 0),
                                      numberOr(options, "capInsetsHeight", 0)));
            button->ignoreContentAdaptWithSize(false);
            button->setContentSize(
                Size(numberOr(options, "scale9Width", 80), numberOr(options, "scale9Height", 80)));
        }
        std::string title;
        if (getString(options, "text", &title)) button->setTitleText(title);
        std::string font;
        if (getString(options, "fontName", &font)) button->setTitleFontName(font);
        float size = 0;
        if (getNumber(options, "fontSize", &size)) button->setTitleFontSize(size);
        button->setTitleColor(Color3B(byteOr(options, "textColorR", 255), byteOr(options, "textColorG", 255),
                                      byteOr(options, "textColorB", 255)));
        return;
    }
    if (auto* layout = dynamic_cast<Layout*>(widget)) {
        const std::string bg = imagePath(options, "backGroundImageData", "backGroundImage");
        if (!bg.empty()) layout->setBackGroundImage(bg);
        int colorType = 0;
        if (getInt(options, "colorType", &colorType) && colorType >= 0 && colorType <= 2)
            layout->setBackGroundColorType(static_cast<Layout::BackGroundColorType>(colorType));
        layout->setBackGroundColor(Color3B(byteOr(options, "bgColorR", 150), byteOr(options, "bgColorG", 200),
                                           byteOr(options, "bgColorB", 255)));
        layout->setBackGroundColorOpacity(byteOr(options, "bgColorOpacity", 255));
    }
}

void TreeBuilder::applyCommonOptions(Widget* widget, const rapidjson::Value& options,
                                     const rapidjson::Value& node) const {
    bool ignoreSize = false;
    if (getBool(options, "ignoreSize", &ignoreSize)) widget->ignoreContentAdaptWithSize(ignoreSize);
    float w = 0, h = 0;
    const bool hasW = getNumber(options, "width", &w);
    const bool hasH = getNumber(options, "height", &h);
    if (hasW || hasH) {
        const Size current = widget->getContentSize();
        widget->setContentSize(Size(hasW ? w : current.width, hasH ? h : current.height));
    }
    int tag = 0;
    if (getInt(options, "tag", &tag)) widget->setTag(tag);
    bool touchable = false;
    if (getBool(options, "touchAble", &touchable)) widget->setTouchEnabled(touchable);
    std::string name;
    if (!getString(options, "name", &name) && !getString(node, "name", &name)) name = "default";
    widget->setName(name);
    widget->setPosition(numberOr(options, "x", 0), numberOr(options, "y", 0));
    widget->setScale(numberOr(options, "scaleX", 1), numberOr(options, "scaleY", 1));
    widget->setRotation(numberOr(options, "rotation", 0));
    bool visible = true;
    if (getBool(options, "visible", &visible)) widget->setVisible(visible);
    int z = 0;
    if (getInt(options, "ZOrder", &z)) widget->setLocalZOrder(z);
}

void TreeBuilder::applyColorOptions(Widget* widget, const rapidjson::Value& options) const {
    int opacity = 255;
    if (getInt(options, "opacity", &opacity))
        widget->setOpacity(static_cast<GLubyte>(std::max(0, std::min(255, opacity))));
    widget->setColor(Color3B(byteOr(options, "colorR", 255), byteOr(options, "colorG", 255),
                             byteOr(options, "colorB", 255)));
    Vec2 anchor = widget->getAnchorPoint();
    getNumber(options, "anchorPointX", &anchor.x);
    getNumber(options, "anchorPointY", &anchor.y);
    widget->setAnchorPoint(anchor);
}

Widget* TreeBuilder::build(const rapidjson::Value& node, Widget* parent, int depth) const {
    if (!node.IsObject()) return nullptr;
    std::string className;
    getString(node, "classname", &className);
    Widget* widget = createWidget(canonicalClass(className));
    if (!widget) return nullptr;

    static const rapidjson::Value kEmpty(rapidjson::kObjectType);
    const rapidjson::Value* options = member(node, "options");
    const rapidjson::Value& opts = options && options->IsObject() ? *options : kEmpty;
    applyTypeOptions(widget, opts);
    applyCommonOptions(widget, opts, node);
    applyColorOptions(widget, opts);
    // The editor places children relative to a panel's anchor point.
    if (dynamic_cast<Layout*>(parent)) widget->setPosition(widget->getPosition() + parent->getAnchorPointInPoints());

    const rapidjson::Value* children = member(node, "children");
    if (!children || !children->IsArray()) return widget;
    if (depth >= kMaxTreeDepth) {
        log("cocostudio: GUIReader: layout deeper than %d levels, the rest is left out", kMaxTreeDepth);
        return widget;
    }
    for (const rapidjson::Value& childNode : children->GetArray()) {
        Widget* child = build(childNode, widget, depth + 1);
        // Keeps the z order the child's options gave it.
        if (child) widget->addChild(child);
    }
    return widget;
}

} // namespace

GUIReader* GUIReader::getInstance() {
    static GUIReader* reader = new GUIReader();
    return reader;
}

void GUIReader::destroyInstance() {
    // The instance holds only a size table: clearing it is all there is to destroy.
    getInstance()->_designSizes.clear();
}

int GUIReader::getVersionInteger(const char* str) const {
    if (!str) return 0;
    const std::string version(str);
    if (version.size() < 7) return 0;
    int parts[4] = {0, 0, 0, 0};
    std::size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t dot = version.find('.', pos);
        const std::string piece = version.substr(pos, dot == std::string::npos ? std::string::npos : dot - pos);
        parts[i] = std::atoi(piece.c_str());
        if (dot == std::string::npos) break;
        pos = dot + 1;
    }
    return parts[0] * 1000 + parts[1] * 100 + parts[2] * 10 + parts[3];
}

const Size& GUIReader::getFileDesignSize(const char* fileName) const {
    auto it = _designSizes.find(fileName ? fileName : "");
    return it == _designSizes.end() ? Size::ZERO : it->second;
}

Widget* GUIReader::widgetFromJsonFile(const char* fileName) {
    if (!fileName || !*fileName) return nullptr;
    const std::string name(fileName);
    const std::string content = FileUtils::getInstance()->getStringFromFile(name);
    if (content.empty()) {
        log("cocostudio: GUIReader: cannot read %s", fileName);
        return nullptr;
    }
    rapidjson::Document doc;
    // As a C string, like the engine: a byte order mark is then a parse
    // error, as it is for the system's other JSON files. Iterative, so a
    // deeply nested file cannot exhaust the stack.
    doc.Parse<rapidjson::kParseIterativeFlag>(content.c_str());
    if (doc.HasParseError()) {
        log("cocostudio: GUIReader: %s is not JSON (error %d)", fileName, static_cast<int>(doc.GetParseError()));
        return nullptr;
    }
    const rapidjson::Value* tree = member(doc, "widgetTree");
    if (!tree || !tree->IsObject()) {
        log("cocostudio: GUIReader: %s has no widget tree", fileName);
        return nullptr;
    }

    std::string versionText;
    getString(doc, "version", &versionText);
    const int version = getVersionInteger(versionText.c_str());
    Size design(numberOr(doc, "designWidth", 0), numberOr(doc, "designHeight", 0));
    if (design.width <= 0 || design.height <= 0) {
        log("Read design size error!");
        design = Director::getInstance()->getWinSize();
    }
    _designSizes[name] = design;

    // Images are relative to the folder of the name as given.
    const std::size_t slash = name.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
    Widget* root = TreeBuilder(folder, version).build(*tree, nullptr, 0);
    if (root && root->getContentSize().equals(Size::ZERO)) root->setContentSize(design);
    return root;
}

} // namespace cocostudio
