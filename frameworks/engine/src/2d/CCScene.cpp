// The root node of a drawn tree.
#include "2d/CCScene.h"

#include "base/CCDirector.h"

namespace cocos2d {

Scene* Scene::create() {
    auto* scene = new Scene();
    if (!scene->init()) {
        scene->release();
        return nullptr;
    }
    scene->autorelease();
    return scene;
}

Scene::Scene() { _ignoreAnchorPointForPosition = true; }

bool Scene::init() {
    setContentSize(Director::getInstance()->getWinSize());
    return true;
}

} // namespace cocos2d
