// Constants of the value types.
#include "math/CCGeometry.h"

namespace cocos2d {

const Size Size::ZERO = Size(0.0f, 0.0f);
const Rect Rect::ZERO = Rect(0.0f, 0.0f, 0.0f, 0.0f);

} // namespace cocos2d
