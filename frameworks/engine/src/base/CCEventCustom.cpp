// Named event.
#include "base/CCEventCustom.h"

namespace cocos2d {

EventCustom::EventCustom(const std::string& eventName) : Event(Type::CUSTOM), _eventName(eventName) {}

} // namespace cocos2d
