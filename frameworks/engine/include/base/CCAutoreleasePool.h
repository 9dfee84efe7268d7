// Holds the references handed over by Ref::autorelease() until the end of
// the frame. Main thread.
#pragma once

#include "base/CCThreadChecker.h"

#include <cstddef>
#include <vector>

namespace cocos2d {

class Ref;

class AutoreleasePool {
public:
    static AutoreleasePool* getInstance();

    void addObject(Ref* object);
    // Releases every object once, in the order they were added. Objects
    // autoreleased while clearing are kept for the next clear().
    void clear();
    bool contains(const Ref* object) const;
    std::size_t getObjectCount() const { return _objects.size(); }

private:
    AutoreleasePool() = default;

    ThreadChecker _thread;
    std::vector<Ref*> _objects;
};

} // namespace cocos2d
