// Engine-wide constants and helper macros.
#pragma once

#include <climits>

// A timer scheduled with this repeat count never stops by itself.
#define CC_REPEAT_FOREVER (UINT_MAX - 1)

#define NS_CC_BEGIN namespace cocos2d {
#define NS_CC_END }
#define USING_NS_CC using namespace cocos2d

// Debug-build-only engine log line.
#if defined(COCOS2D_DEBUG) && COCOS2D_DEBUG > 0
#define CCLOG(...) ::cocos2d::log(__VA_ARGS__)
#else
#define CCLOG(...) do {} while (0)
#endif

#define CC_SAFE_DELETE(p) do { delete (p); (p) = nullptr; } while (0)
#define CC_SAFE_RELEASE(p) do { if (p) { (p)->release(); } } while (0)
#define CC_SAFE_RELEASE_NULL(p) do { if (p) { (p)->release(); (p) = nullptr; } } while (0)
#define CC_SAFE_RETAIN(p) do { if (p) { (p)->retain(); } } while (0)

namespace cocos2d {
constexpr unsigned int kRepeatForever = CC_REPEAT_FOREVER;
} // namespace cocos2d
