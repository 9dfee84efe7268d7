// Base of the listeners registered with the EventDispatcher. Main thread.
#pragma once

#include "base/CCRef.h"

#include <string>

namespace cocos2d {

class Event;

class EventListener : public Ref {
public:
    enum class Type {
        UNKNOWN,
        TOUCH_ONE_BY_ONE,
        TOUCH_ALL_AT_ONCE,
        KEYBOARD,
        MOUSE,
        ACCELERATION,
        FOCUS,
        GAME_CONTROLLER,
        CUSTOM,
    };
    typedef std::string ListenerID;

    ~EventListener() override;

    Type getType() const { return _type; }
    const ListenerID& getListenerID() const { return _listenerID; }

    void setEnabled(bool enabled) { _isEnabled = enabled; }
    bool isEnabled() const { return _isEnabled; }
    // True while the listener is registered with a dispatcher.
    bool isRegistered() const { return _isRegistered; }

    virtual void onEvent(Event* event) = 0;

protected:
    EventListener(Type type, const ListenerID& listenerID);

private:
    friend class EventDispatcher;

    Type _type;
    ListenerID _listenerID;
    bool _isEnabled = true;
    bool _isRegistered = false;
};

} // namespace cocos2d
