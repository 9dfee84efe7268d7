// Widget tree lookups.
#include "ui/UIHelper.h"

#include "ui/UIWidget.h"

namespace cocos2d {
namespace ui {

namespace {

template <typename Match>
Widget* seek(Widget* root, const Match& match) {
    if (!root) return nullptr;
    if (match(root)) return root;
    for (Node* child : root->getChildren()) {
        auto* widget = dynamic_cast<Widget*>(child);
        if (!widget) continue;
        if (Widget* found = seek(widget, match)) return found;
    }
    return nullptr;
}

} // namespace

Widget* Helper::seekWidgetByName(Widget* root, const std::string& name) {
    return seek(root, [&](Widget* w) { return w->getName() == name; });
}

Widget* Helper::seekWidgetByTag(Widget* root, int tag) {
    return seek(root, [&](Widget* w) { return w->getTag() == tag; });
}

} // namespace ui
} // namespace cocos2d
