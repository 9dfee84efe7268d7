// The root of a drawn tree; the Director runs one at a time. Main thread.
#pragma once

#include "2d/CCNode.h"

namespace cocos2d {

class Scene : public Node {
public:
    // Content size = the Director's window size at creation; anchor (0, 0),
    // ignored for position.
    static Scene* create();

protected:
    Scene();
    bool init() override;
};

} // namespace cocos2d
