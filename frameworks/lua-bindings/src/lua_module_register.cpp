// The binding modules of this build. The engine's classes behind them are
// not part of the game host, so each registration only sets up its
// namespace and records itself; scripts can check what was opened.
#include "scripting/lua-bindings/manual/lua_module_register.h"

#include "BindingModules.h"

using cocos2d::recordBindingModule;

int register_cocosdenshion_module(lua_State* L) {
    recordBindingModule(L, "cocosdenshion", "cc");
    return 1;
}

int register_network_module(lua_State* L) {
    recordBindingModule(L, "network", "cc");
    return 1;
}

int register_cocosbuilder_module(lua_State* L) {
    recordBindingModule(L, "cocosbuilder", "cc");
    return 1;
}

int register_cocostudio_module(lua_State* L) {
    recordBindingModule(L, "cocostudio", "ccs");
    return 1;
}

int register_ui_moudle(lua_State* L) {
    recordBindingModule(L, "ui", "ccui");
    return 1;
}

int register_extension_module(lua_State* L) {
    recordBindingModule(L, "extension", "cc");
    return 1;
}

int register_spine_module(lua_State* L) {
    recordBindingModule(L, "spine", "sp");
    return 1;
}

int register_cocos3d_module(lua_State* L) {
    recordBindingModule(L, "3d", "cc");
    return 1;
}

int register_audioengine_module(lua_State* L) {
    recordBindingModule(L, "audioengine", "ccexp");
    return 1;
}

int register_physics3d_module(lua_State* L) {
    recordBindingModule(L, "physics3d", "cc");
    return 1;
}

int register_navmesh_module(lua_State* L) {
    recordBindingModule(L, "navmesh", "cc");
    return 1;
}
