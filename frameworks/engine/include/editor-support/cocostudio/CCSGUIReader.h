// Builds widget trees from the UI editor's JSON layout files. Main thread.
//
// Format: {"version": "a.b.c.d", "designWidth": W, "designHeight": H,
// "textures": [...], "widgetTree": node}; a node is {"classname": C,
// "options": {...}, "children": [node, ...]}. Classes: Panel/Layout →
// Layout, ImageView, LoadingBar, Label/Text/TextArea → Text,
// Button/TextButton → Button, anything else a plain Widget. Image paths in
// the options are relative to the layout file's folder; a missing image
// leaves the widget without it. Every value is type-checked: a field of the
// wrong type is treated as absent.
#pragma once

#include "math/CCGeometry.h"

#include <map>
#include <string>

namespace cocos2d {
namespace ui {
class Widget;
}
} // namespace cocos2d

namespace cocostudio {

class GUIReader {
public:
    static GUIReader* getInstance();
    static void destroyInstance();

    // An autoreleased root widget, or nullptr (with one log line) when the
    // file is missing, empty, not JSON, or has no object "widgetTree".
    cocos2d::ui::Widget* widgetFromJsonFile(const char* fileName);

    // "a.b.c.d" → a*1000 + b*100 + c*10 + d; 0 for anything shorter than 7 characters.
    int getVersionInteger(const char* str) const;
    // Design size of the last file read under that name (zero when unknown).
    const cocos2d::Size& getFileDesignSize(const char* fileName) const;

private:
    GUIReader() = default;

    std::map<std::string, cocos2d::Size> _designSizes;
};

} // namespace cocostudio
