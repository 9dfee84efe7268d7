// One Lua state with the engine's loading rules: scripts come through
// FileUtils, ".luac" is preferred over ".lua", chunks that start with the
// sign are XXTEA-decrypted, `print` is silent and `release_print` goes to the
// engine log. Main thread only: every public method checks the caller.
#pragma once

#include "lua.hpp"

#include <string>
#include <thread>

namespace cocos2d {

class LuaStack {
public:
    LuaStack();
    ~LuaStack();  // closes the state
    LuaStack(const LuaStack&) = delete;
    LuaStack& operator=(const LuaStack&) = delete;

    // Opens the state with the standard libraries, the print pair, the
    // FileUtils-backed `require` loader, the engine classes (`cc.FileUtils`,
    // `cc.UserDefault`, `cc.Director` with its scheduler,
    // `cc.XMLHttpRequest`) and LuaSocket in package.preload.
    // False when the state cannot be created.
    bool init();

    lua_State* getLuaState();

    // Copies the pair. All four non-null / positive turns decryption on,
    // anything else turns it off.
    void setXXTEAKeyAndSign(const char* key, int keyLen, const char* sign, int signLen);
    void cleanupXXTEAKeyAndSign();

    // Appends "<path>/?.lua" to package.path, so `require` looks there.
    void addSearchPath(const char* path);

    // Each returns the chunk's result (a number as int, a boolean as 0/1,
    // anything else 0) and 0 on any failure, which is logged "[LUA ERROR] ...".
    int executeString(const char* codes);
    // "name", "name.lua" and "name.luac" all mean: "name.luac" if FileUtils
    // finds it, else "name.lua".
    int executeScriptFile(const char* filename);
    // A global that is not a function is logged and gives 0.
    int executeGlobalFunction(const char* functionName);
    // Calls the function below numArgs arguments on the stack and pops them;
    // `__G__TRACKBACK__` is the message handler when it is a function.
    int executeFunction(int numArgs);

    // Like luaL_loadbuffer: 0 and the chunk pushed, or an error code and the
    // message pushed (also logged). Chunks that begin with the sign are
    // decrypted first; one that does not decrypt is a load error. A UTF-8 BOM
    // in front of the source is skipped.
    int luaLoadBuffer(lua_State* L, const char* chunk, int chunkSize, const char* chunkName);

private:
    void checkThread(const char* where) const;
    void logLoadError(const char* chunkName, const char* message) const;

    lua_State* _state = nullptr;
    bool _xxteaEnabled = false;
    std::string _xxteaKey;
    std::string _xxteaSign;
    std::thread::id _owner;
};

} // namespace cocos2d
