// The Lua script engine: one LuaStack, reached process-wide through
// getInstance(). Main thread only.
#pragma once

#include "scripting/ScriptSupport.h"
#include "scripting/lua-bindings/manual/CCLuaStack.h"

namespace cocos2d {

class LuaEngine : public ScriptEngineProtocol {
public:
    // Creates the engine (and its stack) on the first call. Defined by the
    // game host, which installs its script key there.
    static LuaEngine* getInstance();

    // Forgets the process-wide engine when it is this one, so the next
    // getInstance() starts afresh.
    ~LuaEngine() override;

    ccScriptType getScriptType() override { return kScriptTypeLua; }

    // Creates the stack; false when the Lua state cannot be created.
    bool init();
    // Null before init() and when init() failed.
    LuaStack* getLuaStack() { return _stack; }

    void addSearchPath(const char* path);
    int executeString(const char* codes) override;
    int executeScriptFile(const char* filename) override;
    int executeGlobalFunction(const char* functionName) override;

private:
    LuaEngine() = default;

    static LuaEngine* _defaultEngine;
    LuaStack* _stack = nullptr;
};

} // namespace cocos2d
