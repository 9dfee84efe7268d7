// The engine's view of a script engine, and the one slot that holds the
// current one. Main thread only.
#pragma once

namespace cocos2d {

enum ccScriptType {
    kScriptTypeNone = 0,
    kScriptTypeLua = 1,
    kScriptTypeJavascript = 2,
};

class ScriptEngineProtocol {
public:
    ScriptEngineProtocol() = default;
    ScriptEngineProtocol(const ScriptEngineProtocol&) = delete;
    ScriptEngineProtocol& operator=(const ScriptEngineProtocol&) = delete;
    // Leaves the manager's slot empty if it still points here, so the slot
    // never dangles whoever deletes the engine.
    virtual ~ScriptEngineProtocol();

    virtual ccScriptType getScriptType() { return kScriptTypeNone; }
    // Each returns the script's result as an int, 0 on any failure.
    virtual int executeString(const char* codes) = 0;
    virtual int executeScriptFile(const char* filename) = 0;
    virtual int executeGlobalFunction(const char* functionName) = 0;
};

// Owns the engine it is given: replacing or removing it deletes the old one.
class ScriptEngineManager {
public:
    static ScriptEngineManager* getInstance();

    ScriptEngineProtocol* getScriptEngine() const { return _scriptEngine; }
    void setScriptEngine(ScriptEngineProtocol* scriptEngine);
    void removeScriptEngine();

private:
    friend class ScriptEngineProtocol;
    ScriptEngineManager() = default;

    ScriptEngineProtocol* _scriptEngine = nullptr;
};

} // namespace cocos2d
