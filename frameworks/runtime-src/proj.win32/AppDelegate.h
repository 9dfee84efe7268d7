// The application object on the engine: launches the resource update, then,
// when the update hands over, starts the Lua game. Main thread only.
#pragma once

#include "platform/CCApplication.h"

class AppDelegate : public cocos2d::Application {
public:
    AppDelegate();
    ~AppDelegate() override;

    bool applicationDidFinishLaunching() override;
    void applicationDidEnterBackground() override;
    void applicationWillEnterForeground() override;
    void initGLContextAttrs() override;

    // Run once, by the update's finish callback.
    void startLua();
};
