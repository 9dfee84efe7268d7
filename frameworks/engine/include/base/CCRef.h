// Intrusive reference count for engine objects. Main thread.
//
// A new object starts with one reference, owned by whoever created it.
// release() deletes the object when the count reaches zero. autorelease()
// hands that reference to the AutoreleasePool, which the Director drains at
// the end of every frame.
#pragma once

namespace cocos2d {

class Ref {
public:
    virtual ~Ref();

    void retain();
    void release();
    Ref* autorelease();
    unsigned int getReferenceCount() const { return _referenceCount; }

protected:
    Ref();

private:
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;

    unsigned int _referenceCount;
};

} // namespace cocos2d
