// LuaEngine: owns its LuaStack and forwards the script calls to it.
// getInstance() lives in the game host (it installs the script key).
#include "scripting/lua-bindings/manual/CCLuaEngine.h"

#include <new>

namespace cocos2d {

LuaEngine* LuaEngine::_defaultEngine = nullptr;

LuaEngine::~LuaEngine() {
    if (_defaultEngine == this) _defaultEngine = nullptr;
    delete _stack;
}

bool LuaEngine::init() {
    if (_stack != nullptr) return true;
    auto* stack = new (std::nothrow) LuaStack();
    if (stack == nullptr) return false;
    if (!stack->init()) {
        delete stack;
        return false;
    }
    _stack = stack;
    return true;
}

void LuaEngine::addSearchPath(const char* path) {
    if (_stack != nullptr) _stack->addSearchPath(path);
}

int LuaEngine::executeString(const char* codes) { return _stack != nullptr ? _stack->executeString(codes) : 0; }

int LuaEngine::executeScriptFile(const char* filename) {
    return _stack != nullptr ? _stack->executeScriptFile(filename) : 0;
}

int LuaEngine::executeGlobalFunction(const char* functionName) {
    return _stack != nullptr ? _stack->executeGlobalFunction(functionName) : 0;
}

} // namespace cocos2d
