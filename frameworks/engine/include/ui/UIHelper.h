// Lookups in widget trees. Main thread.
#pragma once

#include <string>

namespace cocos2d {
namespace ui {

class Widget;

class Helper {
public:
    // root itself when it matches, else depth-first pre-order through the
    // children that are widgets, in child order; nullptr when none (or no root).
    static Widget* seekWidgetByName(Widget* root, const std::string& name);
    static Widget* seekWidgetByTag(Widget* root, int tag);
};

} // namespace ui
} // namespace cocos2d
