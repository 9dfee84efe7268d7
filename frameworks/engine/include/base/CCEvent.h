// Base of the events the EventDispatcher delivers. Main thread.
#pragma once

#include "base/CCRef.h"

namespace cocos2d {

class Event : public Ref {
public:
    enum class Type {
        TOUCH,
        KEYBOARD,
        ACCELERATION,
        MOUSE,
        FOCUS,
        GAME_CONTROLLER,
        CUSTOM,
    };

    explicit Event(Type type);
    ~Event() override;

    Type getType() const { return _type; }
    // Stops delivery to the listeners that follow in this dispatch.
    void stopPropagation() { _isStopped = true; }
    bool isStopped() const { return _isStopped; }

protected:
    Type _type;
    bool _isStopped = false;
};

} // namespace cocos2d
