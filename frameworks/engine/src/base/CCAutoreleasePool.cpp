// The per-frame autorelease pool.
#include "base/CCAutoreleasePool.h"

#include "base/CCRef.h"

#include <algorithm>

namespace cocos2d {

AutoreleasePool* AutoreleasePool::getInstance() {
    static AutoreleasePool pool;
    return &pool;
}

void AutoreleasePool::addObject(Ref* object) {
    _thread.check("AutoreleasePool::addObject");
    if (object) _objects.push_back(object);
}

void AutoreleasePool::clear() {
    _thread.check("AutoreleasePool::clear");
    // Swap first: a destructor that autoreleases must not touch the vector we walk.
    std::vector<Ref*> draining;
    draining.swap(_objects);
    for (Ref* object : draining) object->release();
}

bool AutoreleasePool::contains(const Ref* object) const {
    _thread.check("AutoreleasePool::contains");
    return std::find(_objects.begin(), _objects.end(), object) != _objects.end();
}

} // namespace cocos2d
