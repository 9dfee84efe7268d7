#include "scripting/lua-bindings/manual/lua_module_register.h"
#include "pb.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using testing_support::evalString;

namespace {

TEST(ModuleRegistration, RecordsEachModuleInTheOrderItWasOpened) {
    cocos2d::LuaStack stack;
    ASSERT_TRUE(stack.init());
    lua_State* L = stack.getLuaState();
    register_cocosdenshion_module(L);
    register_network_module(L);
    register_cocosbuilder_module(L);
    register_cocostudio_module(L);
    register_ui_moudle(L);
    register_extension_module(L);
    register_spine_module(L);
    register_cocos3d_module(L);
    register_audioengine_module(L);
    register_physics3d_module(L);
    register_navmesh_module(L);
    const int top = lua_gettop(L);
    luaopen_pb(L);
    EXPECT_EQ(lua_gettop(L), top + 1) << "luaopen_pb leaves the module";
    lua_settop(L, top);

    EXPECT_EQ(evalString(L, "return table.concat(debug.getregistry().binding_modules, ',')"),
              "cocosdenshion,network,cocosbuilder,cocostudio,ui,extension,spine,3d,audioengine,physics3d,navmesh,pb");
    EXPECT_EQ(evalString(L, "return type(cc) .. type(ccs) .. type(ccui) .. type(sp) .. type(ccexp)"),
              "tabletabletabletabletable");
    EXPECT_EQ(evalString(L, "return tostring(package.loaded.pb == pb and type(pb.varint_encoder))"), "function");
}

TEST(ModuleRegistration, ScriptsSeeAMinimalFileUtils) {
    testing_support::GameFolder folder;
    folder.write("vexa/gateway", "http://gateway.example/ next");
    cocos2d::LuaStack stack;
    ASSERT_TRUE(stack.init());
    EXPECT_EQ(evalString(stack.getLuaState(),
                         "local fu = cc.FileUtils:getInstance()\n"
                         "assert(fu == cc.FileUtils:getInstance())\n"
                         "return tostring(fu:isFileExist('vexa/gateway')) .. ' ' .. tostring(fu:isFileExist('nope')) "
                         ".. ' ' .. fu:getStringFromFile('vexa/gateway')"),
              "true false http://gateway.example/ next");
}

} // namespace
