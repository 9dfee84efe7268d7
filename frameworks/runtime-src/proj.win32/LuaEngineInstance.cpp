// The game's own LuaEngine::getInstance(): the first call creates the engine
// and installs the script key and sign, so every script the engine loads
// from then on can be an encrypted one.
#include "scripting/lua-bindings/manual/CCLuaEngine.h"

#include "ScriptKey.h"

#include <new>

void installScriptKeyAndSign(cocos2d::LuaStack* stack) {
    if (stack == nullptr) return;
    const ScriptKeyAndSign pair;
    stack->setXXTEAKeyAndSign(pair.key(), pair.keyLength(), pair.sign(), pair.signLength());
}

namespace cocos2d {

LuaEngine* LuaEngine::getInstance() {
    if (_defaultEngine != nullptr) return _defaultEngine;
    _defaultEngine = new (std::nothrow) LuaEngine();
    if (_defaultEngine == nullptr) return nullptr;
    // A failed init leaves an engine without a stack; callers check getLuaStack().
    _defaultEngine->init();
    installScriptKeyAndSign(_defaultEngine->getLuaStack());
    return _defaultEngine;
}

} // namespace cocos2d
