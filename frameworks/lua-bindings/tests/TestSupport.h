// Helpers for the Lua binding tests: a temporary game folder that FileUtils
// resolves against, a capture of the engine log, and byte helpers.
#pragma once

#include "scripting/lua-bindings/manual/CCLuaStack.h"

#include <memory>
#include <string>
#include <vector>

namespace testing_support {

// A unique folder under the temp directory, made the FileUtils resource root
// (no other search path) for the fixture's life; removed afterwards and the
// previous FileUtils set-up restored.
class GameFolder {
public:
    GameFolder();
    ~GameFolder();
    GameFolder(const GameFolder&) = delete;
    GameFolder& operator=(const GameFolder&) = delete;

    // path uses "/" and is relative to the folder; parents are created.
    void write(const std::string& path, const std::string& bytes) const;
    std::string absolute(const std::string& path) const;

private:
    std::string _root;  // with a trailing "/"
    std::string _savedRoot;
    std::vector<std::string> _savedSearchPaths;
};

// Collects the engine log lines written while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    const std::vector<std::string>& lines() const { return *_lines; }
    bool contains(const std::string& fragment) const;
    // The lines that contain fragment.
    std::vector<std::string> matching(const std::string& fragment) const;

private:
    std::shared_ptr<std::vector<std::string>> _lines;
};

// A stack with its own test key and sign (not the game's).
struct KeyedStack {
    static constexpr const char* kKey = "test-key-0123456";
    static constexpr const char* kSign = "TSIGN!";
    KeyedStack();
    cocos2d::LuaStack stack;
    lua_State* L;
};

// sign + XXTEA(source) with the given key: the bytes of a ".luac".
std::string encryptScript(const std::string& source, const std::string& key, const std::string& sign);

std::string fromHex(const std::string& hex);
std::string toHex(const std::string& bytes);

// Runs a chunk that must return one string (or nil) and returns it; a load or
// run error comes back as "error: <message>".
std::string evalString(lua_State* L, const std::string& code);

// The folder of the running test executable, with a trailing "/".
std::string executableFolder();

} // namespace testing_support
