// The resource update's controller. Main thread only.
// This first form only hands over: the gateway, the scene and the update
// engine join it as they are built.
#pragma once

#include <functional>

class AutoUpdate {
public:
    static AutoUpdate* getInstance();

    // Keeps a copy of onFinish (which must not be empty) and calls it once, on a later frame.
    void start(const std::function<void()>& onFinish);

private:
    AutoUpdate() = default;
    void leave();

    std::function<void()> finishCallback;
};
