#include "scripting/ScriptSupport.h"

namespace cocos2d {

ScriptEngineProtocol::~ScriptEngineProtocol() {
    ScriptEngineManager* manager = ScriptEngineManager::getInstance();
    if (manager->_scriptEngine == this) manager->_scriptEngine = nullptr;
}

ScriptEngineManager* ScriptEngineManager::getInstance() {
    // Never destroyed: engines outlive static destruction order at exit.
    static ScriptEngineManager* instance = new ScriptEngineManager();
    return instance;
}

void ScriptEngineManager::setScriptEngine(ScriptEngineProtocol* scriptEngine) {
    if (_scriptEngine == scriptEngine) return;
    removeScriptEngine();
    _scriptEngine = scriptEngine;
}

void ScriptEngineManager::removeScriptEngine() {
    ScriptEngineProtocol* old = _scriptEngine;
    _scriptEngine = nullptr;
    delete old;
}

} // namespace cocos2d
