// Engine custom event the host raises for the game: a menu command
// ("APP.EVENT", type APP_EVENT_MENU) or a dropped file ("APP.EVENT.DROP",
// type APP_EVENT_DROP), with a text payload.
//
// Main thread, like every engine event; it lives for one dispatch.
#pragma once

#include "base/CCEventCustom.h"

#include <string>

enum {
    APP_EVENT_MENU = 1,
    APP_EVENT_DROP = 2,
};

// Event names.
constexpr const char* kAppEventName = "APP.EVENT";
constexpr const char* kAppEventDropName = "APP.EVENT.DROP";

class AppEvent : public cocos2d::EventCustom {
public:
    AppEvent(const std::string& eventName, int type);

    int getEventType() const { return _eventType; }
    void setEventType(int type) { _eventType = type; }

    const std::string& getDataString() const { return _dataString; }
    void setDataString(const std::string& data) { _dataString = data; }

private:
    int _eventType;
    std::string _dataString;
};
