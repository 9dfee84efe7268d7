#include "proj.win32/AppDelegate.h"

#include "audio/SimpleAudioEngine.h"
#include "cocos2d.h"
#include "pb.h"
#include "platform/bridge/NativeBridge.h"
#include "platform/webwindow/PayWebViewLua.h"
#include "proj.win32/LuaProtectedCall.h"
#include "proj.win32/ScriptKey.h"
#include "scripting/lua-bindings/manual/CCLuaEngine.h"
#include "scripting/lua-bindings/manual/lua_module_register.h"
#include "update/controller/AutoUpdate.h"

using namespace cocos2d;

namespace {

constexpr float kAnimationInterval = 1.0f / 60;  // 60 frames a second

struct GlobalCall {
    LuaStack* stack;
    const char* name;
};

int runGlobalCall(lua_State* L) {
    const auto* call = static_cast<const GlobalCall*>(lua_touserdata(L, 1));
    call->stack->executeGlobalFunction(call->name);
    return 0;
}

// Calls a global function of the game once Lua runs; before the hand-over
// there is no script engine. Protected: looking the name up runs the game's
// own metamethods of the globals table (a strict-mode guard may raise for a
// name the game never defined), outside the call's own protection.
void callGameGlobal(const char* name) {
    ScriptEngineProtocol* script = ScriptEngineManager::getInstance()->getScriptEngine();
    if (script == nullptr || script->getScriptType() != kScriptTypeLua) return;
    LuaStack* stack = LuaEngine::getInstance()->getLuaStack();
    if (stack == nullptr) return;
    GlobalCall call{stack, name};
    runLuaProtected(stack->getLuaState(), name, runGlobalCall, &call);
}

// The start-up's steps on the Lua state, each under its own protected call:
// one that fails is logged and the next one runs.
struct LuaStartStep {
    const char* name;
    lua_CFunction run;
};

// The order of the binding library's own module registration, then pb.
constexpr LuaStartStep kBindingModules[] = {
    {"register_cocosdenshion_module", register_cocosdenshion_module},
    {"register_network_module", register_network_module},
    {"register_cocosbuilder_module", register_cocosbuilder_module},
    {"register_cocostudio_module", register_cocostudio_module},
    {"register_ui_moudle", register_ui_moudle},
    {"register_extension_module", register_extension_module},
    {"register_spine_module", register_spine_module},
    {"register_cocos3d_module", register_cocos3d_module},
    {"register_audioengine_module", register_audioengine_module},
    {"register_physics3d_module", register_physics3d_module},
    {"register_navmesh_module", register_navmesh_module},
    {"luaopen_pb", luaopen_pb},  // its table is dropped with the protected call's results
};

int runRegisterPayWebView(lua_State* L) {
    registerPayWebViewLua(L);
    return 0;
}

int runRegisterNativeBridge(lua_State* L) {
    registerNativeBridge(L);
    return 0;
}

// Runs finalizers, which may raise: only ever under runLuaProtected.
int collectAllGarbage(lua_State* L) {
    lua_gc(L, LUA_GCCOLLECT, 0);
    return 0;
}

constexpr char kBootCollectionKey[] = "ZAVU_lua_gc_after_boot";

}  // namespace

AppDelegate::AppDelegate() = default;

AppDelegate::~AppDelegate() { CocosDenshion::SimpleAudioEngine::end(); }

bool AppDelegate::applicationDidFinishLaunching() {
    Director::getInstance()->setAnimationInterval(kAnimationInterval);
    log("==write path==\n%s\n", FileUtils::getInstance()->getWritablePath().c_str());
    // No Lua state exists until the update hands over.
    AutoUpdate::getInstance()->start([this] { startLua(); });
    return true;
}

void AppDelegate::startLua() {
    // The one full collection after boot waits this long, off the start-up path.
    constexpr float kBootCollectionDelaySec = 2.0f;

    // The first getInstance() installs the key and sign; they are installed
    // again below with the same pair, after the modules.
    LuaEngine* engine = LuaEngine::getInstance();
    if (engine == nullptr || engine->getLuaStack() == nullptr) {
        log("[LUA ERROR] no Lua state: the game cannot start");
        return;
    }
    ScriptEngineManager::getInstance()->setScriptEngine(engine);
    lua_State* L = engine->getLuaStack()->getLuaState();

    for (const LuaStartStep& step : kBindingModules) runLuaProtected(L, step.name, step.run);

    installScriptKeyAndSign(engine->getLuaStack());
    runLuaProtected(L, "registerPayWebViewLua", runRegisterPayWebView);
    runLuaProtected(L, "registerNativeBridge", runRegisterNativeBridge);

    // No collection while the main script builds the game's first objects.
    lua_gc(L, LUA_GCSTOP, 0);
    engine->executeScriptFile("src/main.lua");
    lua_gc(L, LUA_GCRESTART, 0);

    Director::getInstance()->getScheduler()->schedule(
        [L](float) {
            LuaEngine* current = LuaEngine::getInstance();
            if (current == nullptr || current->getLuaStack() == nullptr) return;
            // The state may have been replaced since start-up; leave a new one alone.
            if (current->getLuaStack()->getLuaState() != L) return;
            runLuaProtected(L, kBootCollectionKey, collectAllGarbage);
        },
        this, 0.0f, 0, kBootCollectionDelaySec, false, kBootCollectionKey);
}

// The game is told before the animation stops, and after it starts again.
void AppDelegate::applicationDidEnterBackground() {
    callGameGlobal("applicationOnDeactive");
    Director::getInstance()->stopAnimation();
}

void AppDelegate::applicationWillEnterForeground() {
    Director::getInstance()->startAnimation();
    callGameGlobal("applicationOnActive");
}

void AppDelegate::initGLContextAttrs() {
    GLContextAttrs attrs = {8, 8, 8, 8, 24, 8};
    GLView::setGLContextAttrs(attrs);
}
