// Listener for one custom event name. Main thread.
#pragma once

#include "base/CCEventListener.h"

#include <functional>
#include <string>

namespace cocos2d {

class EventCustom;

class EventListenerCustom : public EventListener {
public:
    EventListenerCustom(const std::string& eventName, const std::function<void(EventCustom*)>& callback);

    void onEvent(Event* event) override;

private:
    std::function<void(EventCustom*)> _onCustomEvent;
};

} // namespace cocos2d
