// Test programs see the engine log through a hook: they link LogHook.cpp,
// whose tap replaces the engine's own (src/base/LogTap.h).
#pragma once

#include <functional>
#include <string>

namespace cocos2d {

// Receives each formatted message (without the added "\n"). An empty
// function removes it. Standard output is written either way.
void setLogHook(std::function<void(const std::string&)> hook);

} // namespace cocos2d
