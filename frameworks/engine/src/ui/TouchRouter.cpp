// Touch routing to widgets.
#include "ui/TouchRouter.h"

#include "2d/CCScene.h"
#include "base/CCDirector.h"
#include "ui/UIWidget.h"

namespace cocos2d {
namespace ui {

TouchRouter* TouchRouter::getInstance() {
    static TouchRouter* router = new TouchRouter();
    return router;
}

void TouchRouter::began(intptr_t id, const Vec2& designPoint) {
    _thread.check("TouchRouter::began");
    // A second "began" for a live id (a lost release): end the old one first.
    cancelled(id);
    Scene* scene = Director::getInstance()->getRunningScene();
    if (!scene) return;
    Widget* target = Widget::findTouchTarget(scene, designPoint);
    if (!target) return;
    target->retain();
    _targets[id] = target;
    target->onTouchBegan(designPoint);
}

void TouchRouter::moved(intptr_t id, const Vec2& designPoint) {
    _thread.check("TouchRouter::moved");
    Widget* target = getTarget(id);
    if (target) target->onTouchMoved(designPoint);
}

void TouchRouter::ended(intptr_t id, const Vec2& designPoint) {
    _thread.check("TouchRouter::ended");
    auto it = _targets.find(id);
    if (it == _targets.end()) return;
    Widget* target = it->second;
    // Unbind before the listeners run: they may start new touches or cancel all.
    _targets.erase(it);
    target->onTouchEnded(designPoint);
    target->release();
}

void TouchRouter::cancelled(intptr_t id) {
    _thread.check("TouchRouter::cancelled");
    auto it = _targets.find(id);
    if (it == _targets.end()) return;
    Widget* target = it->second;
    _targets.erase(it);
    target->onTouchCancelled();
    target->release();
}

void TouchRouter::cancelAll() {
    _thread.check("TouchRouter::cancelAll");
    while (!_targets.empty()) cancelled(_targets.begin()->first);
}

Widget* TouchRouter::getTarget(intptr_t id) const {
    auto it = _targets.find(id);
    return it == _targets.end() ? nullptr : it->second;
}

} // namespace ui
} // namespace cocos2d
