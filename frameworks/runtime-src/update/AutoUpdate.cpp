#include "update/AutoUpdate.h"

#include "cocos2d.h"

using namespace cocos2d;

AutoUpdate* AutoUpdate::getInstance() {
    static AutoUpdate* instance = new AutoUpdate();  // lives for the process
    return instance;
}

void AutoUpdate::start(const std::function<void()>& onFinish) {
    finishCallback = onFinish;
    leave();
}

// The hand-over waits one frame, so that it never runs inside the caller's stack.
void AutoUpdate::leave() {
    Director::getInstance()->getScheduler()->schedule(
        [this](float) {
            std::function<void()> finish = finishCallback;
            finish();
        },
        this, 0, 0, 0, false, "AutoUpdate_leave");
}
