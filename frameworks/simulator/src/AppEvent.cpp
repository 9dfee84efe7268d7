#include "AppEvent.h"

AppEvent::AppEvent(const std::string& eventName, int type)
    : cocos2d::EventCustom(eventName), _eventType(type)
{
}
