// Event base.
#include "base/CCEvent.h"

namespace cocos2d {

Event::Event(Type type) : _type(type) {}

Event::~Event() = default;

} // namespace cocos2d
