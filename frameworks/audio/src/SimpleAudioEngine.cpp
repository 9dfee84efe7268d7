#include "audio/SimpleAudioEngine.h"

namespace CocosDenshion {

namespace {
SimpleAudioEngine* sharedEngine = nullptr;
}

SimpleAudioEngine* SimpleAudioEngine::getInstance() {
    if (!sharedEngine) sharedEngine = new SimpleAudioEngine();
    return sharedEngine;
}

void SimpleAudioEngine::end() {
    delete sharedEngine;
    sharedEngine = nullptr;
}

}  // namespace CocosDenshion
