#include "simulator/ThreadBinding.h"

#include "base/CCConsole.h"

#include <cstdlib>

namespace simulator {

void ThreadBinding::check(const char* where) const
{
    if (std::this_thread::get_id() == _owner) return;
    cocos2d::log("simulator: %s called from a thread other than its owner's", where);
    std::abort();
}

} // namespace simulator
