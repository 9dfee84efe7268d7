// Synchronous event delivery.
//
// Each dispatch walks a snapshot of the listeners registered when it began,
// each one retained for the walk, and skips those removed meanwhile. Removal
// during a dispatch nulls the slot; the slots are compacted when the
// outermost dispatch ends, so indices stay stable for nested dispatches.
#include "base/CCEventDispatcher.h"

#include "base/CCEventCustom.h"
#include "base/CCEventListenerCustom.h"

#include <algorithm>

namespace cocos2d {

EventDispatcher::EventDispatcher() = default;

EventDispatcher::~EventDispatcher() {
    for (EventListener* l : _listeners) {
        if (!l) continue;
        l->_isRegistered = false;
        l->release();
    }
}

void EventDispatcher::dispatchEvent(Event* event) {
    _thread.check("EventDispatcher::dispatchEvent");
    if (!event) return;
    // Only custom events have listeners here; they are keyed by event name.
    if (event->getType() != Event::Type::CUSTOM) return;
    const std::string& name = static_cast<EventCustom*>(event)->getEventName();

    std::vector<EventListener*> snapshot;
    for (EventListener* l : _listeners) {
        if (l && l->getListenerID() == name) {
            l->retain();
            snapshot.push_back(l);
        }
    }

    ++_dispatchDepth;
    for (EventListener* l : snapshot) {
        if (event->isStopped()) break;
        if (l->_isRegistered && l->isEnabled()) l->onEvent(event);
    }
    --_dispatchDepth;
    for (EventListener* l : snapshot) l->release();

    if (_dispatchDepth == 0)
        _listeners.erase(std::remove(_listeners.begin(), _listeners.end(), nullptr), _listeners.end());
}

void EventDispatcher::dispatchCustomEvent(const std::string& eventName, void* userData) {
    EventCustom event(eventName);
    event.setUserData(userData);
    dispatchEvent(&event);
}

EventListenerCustom* EventDispatcher::addCustomEventListener(const std::string& eventName,
                                                             const std::function<void(EventCustom*)>& callback) {
    _thread.check("EventDispatcher::addCustomEventListener");
    auto* listener = new EventListenerCustom(eventName, callback);
    addEventListener(listener);
    listener->release(); // the dispatcher's reference is the one left
    return listener;
}

void EventDispatcher::addEventListener(EventListener* listener) {
    _thread.check("EventDispatcher::addEventListener");
    if (!listener || listener->_isRegistered) return;
    listener->retain();
    listener->_isRegistered = true;
    _listeners.push_back(listener);
}

void EventDispatcher::detach(EventListener* listener) {
    listener->_isRegistered = false;
    listener->release();
}

void EventDispatcher::removeEventListener(EventListener* listener) {
    _thread.check("EventDispatcher::removeEventListener");
    if (!listener) return;
    auto it = std::find(_listeners.begin(), _listeners.end(), listener);
    if (it == _listeners.end()) return;
    if (_dispatchDepth > 0) *it = nullptr;
    else _listeners.erase(it);
    detach(listener);
}

void EventDispatcher::removeCustomEventListeners(const std::string& eventName) {
    _thread.check("EventDispatcher::removeCustomEventListeners");
    std::vector<EventListener*> matching;
    for (EventListener*& l : _listeners) {
        if (l && l->getListenerID() == eventName) {
            matching.push_back(l);
            l = nullptr;
        }
    }
    if (_dispatchDepth == 0)
        _listeners.erase(std::remove(_listeners.begin(), _listeners.end(), nullptr), _listeners.end());
    for (EventListener* l : matching) detach(l);
}

void EventDispatcher::removeAllEventListeners() {
    _thread.check("EventDispatcher::removeAllEventListeners");
    std::vector<EventListener*> all;
    for (EventListener*& l : _listeners) {
        if (l) all.push_back(l);
        l = nullptr;
    }
    if (_dispatchDepth == 0) _listeners.clear();
    for (EventListener* l : all) detach(l);
}

bool EventDispatcher::hasEventListener(const std::string& listenerID) const {
    _thread.check("EventDispatcher::hasEventListener");
    return std::any_of(_listeners.begin(), _listeners.end(),
                       [&](EventListener* l) { return l && l->getListenerID() == listenerID; });
}

} // namespace cocos2d
