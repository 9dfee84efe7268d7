// Listener for a custom event name.
#include "base/CCEventListenerCustom.h"

#include "base/CCEventCustom.h"

namespace cocos2d {

EventListenerCustom::EventListenerCustom(const std::string& eventName,
                                         const std::function<void(EventCustom*)>& callback)
    : EventListener(Type::CUSTOM, eventName), _onCustomEvent(callback) {}

void EventListenerCustom::onEvent(Event* event) {
    if (!_onCustomEvent || !event || event->getType() != Event::Type::CUSTOM) return;
    // Copy: the callback may remove this listener and so destroy the stored function.
    auto callback = _onCustomEvent;
    callback(static_cast<EventCustom*>(event));
}

} // namespace cocos2d
