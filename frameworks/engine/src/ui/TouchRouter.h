// Routes touches (in design units) to the widgets of the running scene.
// Main thread.
//
// A touch id is bound at "began" to the one widget that takes it (top-most
// first); that widget alone sees the moves and the end. The router holds a
// reference to the widget while the touch lasts, so a widget removed from
// the scene mid-touch is still safe to talk to.
#pragma once

#include "base/CCThreadChecker.h"
#include "math/CCGeometry.h"

#include <cstdint>
#include <map>

namespace cocos2d {
namespace ui {

class Widget;

class TouchRouter {
public:
    static TouchRouter* getInstance();

    void began(intptr_t id, const Vec2& designPoint);
    void moved(intptr_t id, const Vec2& designPoint);
    void ended(intptr_t id, const Vec2& designPoint);
    void cancelled(intptr_t id);
    // Cancels every touch in progress (scene change, view teardown).
    void cancelAll();

    // The widget bound to a touch, or nullptr.
    Widget* getTarget(intptr_t id) const;

private:
    TouchRouter() = default;

    ThreadChecker _thread;
    std::map<intptr_t, Widget*> _targets;
};

} // namespace ui
} // namespace cocos2d
