// The product's log tap: the engine log goes to standard output only.
#include "base/LogTap.h"

namespace cocos2d {

void tapLogLine(const char*, std::size_t) {}

} // namespace cocos2d
