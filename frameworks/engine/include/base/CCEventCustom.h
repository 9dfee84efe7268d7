// A named event with an untyped payload pointer. Main thread.
#pragma once

#include "base/CCEvent.h"

#include <string>

namespace cocos2d {

class EventCustom : public Event {
public:
    explicit EventCustom(const std::string& eventName);

    void setUserData(void* data) { _userData = data; }
    void* getUserData() const { return _userData; }
    const std::string& getEventName() const { return _eventName; }

protected:
    void* _userData = nullptr;
    std::string _eventName;
};

} // namespace cocos2d
