// Listener base.
#include "base/CCEventListener.h"

namespace cocos2d {

EventListener::EventListener(Type type, const ListenerID& listenerID) : _type(type), _listenerID(listenerID) {}

EventListener::~EventListener() = default;

} // namespace cocos2d
