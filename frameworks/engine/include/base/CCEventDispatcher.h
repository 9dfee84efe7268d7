// Synchronous delivery of events to registered listeners. Main thread.
//
// Listeners of a custom event name are called in the order they were added.
// A listener may add or remove listeners (itself included) while an event is
// being delivered: removed ones are not called any more, added ones are
// called from the next dispatch on.
#pragma once

#include "base/CCThreadChecker.h"

#include <functional>
#include <string>
#include <vector>

namespace cocos2d {

class Event;
class EventCustom;
class EventListener;
class EventListenerCustom;

class EventDispatcher {
public:
    EventDispatcher();
    ~EventDispatcher();

    void dispatchEvent(Event* event);
    // Convenience: builds an EventCustom with the name and payload and dispatches it.
    void dispatchCustomEvent(const std::string& eventName, void* userData = nullptr);

    // The dispatcher keeps a reference to the listener until it is removed.
    EventListenerCustom* addCustomEventListener(const std::string& eventName,
                                                const std::function<void(EventCustom*)>& callback);
    // Registers a listener created by the caller; the dispatcher retains it.
    void addEventListener(EventListener* listener);

    void removeEventListener(EventListener* listener);
    void removeCustomEventListeners(const std::string& eventName);
    void removeAllEventListeners();

    bool hasEventListener(const std::string& listenerID) const;

private:
    EventDispatcher(const EventDispatcher&) = delete;
    EventDispatcher& operator=(const EventDispatcher&) = delete;

    void detach(EventListener* listener);

    ThreadChecker _thread;
    // Registration order; removed entries are nulled during a dispatch and
    // compacted when the outermost dispatch ends.
    std::vector<EventListener*> _listeners;
    int _dispatchDepth = 0;
};

} // namespace cocos2d
