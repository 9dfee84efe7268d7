// The engine's Lua binding modules. Each registration creates its module's
// namespace table and appends the module's name to the sequence
// debug.getregistry().binding_modules, so scripts and tests can see which
// modules were opened and in what order (luaopen_pb appends "pb").
// Main thread, with the state of the engine's LuaStack.
#pragma once

struct lua_State;

int register_cocosdenshion_module(lua_State* L);
int register_network_module(lua_State* L);
int register_cocosbuilder_module(lua_State* L);
int register_cocostudio_module(lua_State* L);
int register_ui_moudle(lua_State* L);
int register_extension_module(lua_State* L);
int register_spine_module(lua_State* L);
int register_cocos3d_module(lua_State* L);
int register_audioengine_module(lua_State* L);
int register_physics3d_module(lua_State* L);
int register_navmesh_module(lua_State* L);
