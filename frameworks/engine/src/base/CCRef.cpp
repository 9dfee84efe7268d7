// Reference counting for engine objects.
#include "base/CCRef.h"

#include "base/CCAutoreleasePool.h"
#include "base/CCConsole.h"

#include <cstdlib>

namespace cocos2d {

Ref::Ref() : _referenceCount(1) {}

Ref::~Ref() = default;

void Ref::retain() {
    if (_referenceCount == 0) {
        log("cocos2d: Ref::retain on a released object");
        std::abort();
    }
    ++_referenceCount;
}

void Ref::release() {
    if (_referenceCount == 0) {
        log("cocos2d: Ref::release on a released object");
        std::abort();
    }
    if (--_referenceCount == 0) delete this;
}

Ref* Ref::autorelease() {
    AutoreleasePool::getInstance()->addObject(this);
    return this;
}

} // namespace cocos2d
