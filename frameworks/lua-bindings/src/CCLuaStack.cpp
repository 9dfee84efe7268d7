// LuaStack: state set-up, the XXTEA pair, loading and protected calls.
#include "scripting/lua-bindings/manual/CCLuaStack.h"

#include "LuaClassSupport.h"
#include "LuaFileUtilsBinding.h"
#include "LuaPrint.h"
#include "LuaSchedulerBinding.h"
#include "LuaScriptLoader.h"
#include "LuaSocketPreload.h"
#include "LuaUserDefaultBinding.h"
#include "LuaXmlHttpRequest.h"
#include "xxtea/xxtea.h"

#include "base/CCConsole.h"
#include "platform/CCFileUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace cocos2d {
namespace {

constexpr char kTracebackGlobal[] = "__G__TRACKBACK__";
constexpr unsigned char kUtf8Bom[] = {0xEF, 0xBB, 0xBF};

// Skips a UTF-8 byte order mark: editors put one in front of Lua sources and
// the Lua parser would reject it.
void skipBom(const char*& chunk, std::size_t& size) {
    if (size >= sizeof(kUtf8Bom) && std::memcmp(chunk, kUtf8Bom, sizeof(kUtf8Bom)) == 0) {
        chunk += sizeof(kUtf8Bom);
        size -= sizeof(kUtf8Bom);
    }
}

// A chunk's number result as int; out-of-range and NaN give 0 rather than UB.
int numberToInt(lua_Number value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<lua_Number>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (value <= static_cast<lua_Number>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

int resultToInt(lua_State* L, int index) {
    if (lua_type(L, index) == LUA_TNUMBER) return numberToInt(lua_tonumber(L, index));
    if (lua_isboolean(L, index)) return lua_toboolean(L, index);
    return 0;
}

const char* errorText(lua_State* L, int index) {
    const char* text = lua_tostring(L, index);
    return text != nullptr ? text : "(error object is not a string)";
}

} // namespace

LuaStack::LuaStack() = default;

LuaStack::~LuaStack() {
    if (_state != nullptr) lua_close(_state);
}

void LuaStack::checkThread(const char* where) const {
    if (_owner == std::thread::id() || _owner == std::this_thread::get_id()) return;
    log("[LUA ERROR] LuaStack::%s called off the Lua thread", where);
    std::abort();
}

bool LuaStack::init() {
    _owner = std::this_thread::get_id();
    if (_state != nullptr) return true;
    _state = luaL_newstate();
    if (_state == nullptr) {
        log("[LUA ERROR] cannot create the Lua state");
        return false;
    }
    luaL_openlibs(_state);
    registerPrintFunctions(_state);
    installScriptLoader(_state, this);
    rememberMainState(_state);
    registerFileUtilsBinding(_state);
    registerUserDefaultBinding(_state);
    registerSchedulerBinding(_state);
    registerXmlHttpRequestBinding(_state);
    preloadLuaSocket(_state);
    return true;
}

lua_State* LuaStack::getLuaState() {
    checkThread("getLuaState");
    return _state;
}

void LuaStack::setXXTEAKeyAndSign(const char* key, int keyLen, const char* sign, int signLen) {
    checkThread("setXXTEAKeyAndSign");
    cleanupXXTEAKeyAndSign();
    const bool complete = key != nullptr && keyLen > 0 && sign != nullptr && signLen > 0;
    if (!complete) return;
    _xxteaKey.assign(key, keyLen);
    _xxteaSign.assign(sign, signLen);
    _xxteaEnabled = true;
}

void LuaStack::cleanupXXTEAKeyAndSign() {
    checkThread("cleanupXXTEAKeyAndSign");
    // Overwrite before release so the key does not linger in freed memory.
    std::fill(_xxteaKey.begin(), _xxteaKey.end(), '\0');
    std::fill(_xxteaSign.begin(), _xxteaSign.end(), '\0');
    _xxteaKey.clear();
    _xxteaSign.clear();
    _xxteaEnabled = false;
}

void LuaStack::addSearchPath(const char* path) {
    checkThread("addSearchPath");
    if (_state == nullptr || path == nullptr) return;
    lua_getglobal(_state, "package");
    if (!lua_istable(_state, -1)) {
        lua_pop(_state, 1);
        return;
    }
    lua_getfield(_state, -1, "path");
    const char* current = lua_tostring(_state, -1);
    std::string updated = current != nullptr ? current : "";
    if (!updated.empty()) updated += ';';
    updated += path;
    updated += "/?.lua";
    lua_pop(_state, 1);
    lua_pushlstring(_state, updated.data(), updated.size());
    lua_setfield(_state, -2, "path");
    lua_pop(_state, 1);
}

int LuaStack::executeString(const char* codes) {
    checkThread("executeString");
    if (_state == nullptr || codes == nullptr) return 0;
    if (luaL_loadstring(_state, codes) != 0) {
        log("[LUA ERROR] %s", errorText(_state, -1));
        lua_pop(_state, 1);
        return 0;
    }
    return executeFunction(0);
}

int LuaStack::executeScriptFile(const char* filename) {
    checkThread("executeScriptFile");
    if (_state == nullptr || filename == nullptr) return 0;
    const std::string path = chooseScriptFile(stripScriptExtension(filename));
    FileUtils* files = FileUtils::getInstance();
    const std::string fullPath = files->fullPathForFilename(path);
    const Data data = fullPath.empty() ? Data() : files->getDataFromFile(fullPath);
    if (data.isNull()) {
        log("[LUA ERROR] cannot read script \"%s\"", path.c_str());
        return 0;
    }
    const std::string chunkName = "@" + fullPath;
    if (luaLoadBuffer(_state, reinterpret_cast<const char*>(data.getBytes()), static_cast<int>(data.getSize()),
                      chunkName.c_str()) != 0) {
        lua_pop(_state, 1);
        return 0;
    }
    return executeFunction(0);
}

int LuaStack::executeGlobalFunction(const char* functionName) {
    checkThread("executeGlobalFunction");
    if (_state == nullptr || functionName == nullptr) return 0;
    lua_getglobal(_state, functionName);
    if (!lua_isfunction(_state, -1)) {
        log("[LUA ERROR] name '%s' does not represent a Lua function", functionName);
        lua_pop(_state, 1);
        return 0;
    }
    return executeFunction(0);
}

int LuaStack::executeFunction(int numArgs) {
    checkThread("executeFunction");
    if (_state == nullptr) return 0;
    lua_State* L = _state;
    if (numArgs < 0 || lua_gettop(L) < numArgs + 1) {
        log("[LUA ERROR] executeFunction: %d arguments but no function below them", numArgs);
        return 0;
    }
    const int functionIndex = lua_gettop(L) - numArgs;
    if (!lua_isfunction(L, functionIndex)) {
        log("[LUA ERROR] value at stack [%d] is not a function", functionIndex);
        lua_pop(L, numArgs + 1);
        return 0;
    }

    int handlerIndex = 0;
    lua_getglobal(L, kTracebackGlobal);
    if (lua_isfunction(L, -1)) {
        lua_insert(L, functionIndex);
        handlerIndex = functionIndex;
    } else {
        lua_pop(L, 1);
    }

    const int status = lua_pcall(L, numArgs, 1, handlerIndex);
    int result = 0;
    if (status != 0) {
        // A traceback handler reports the error itself; without one we do.
        if (handlerIndex == 0) log("[LUA ERROR] %s", errorText(L, -1));
    } else {
        result = resultToInt(L, -1);
    }
    lua_pop(L, handlerIndex != 0 ? 2 : 1);
    return result;
}

void LuaStack::logLoadError(const char* chunkName, const char* message) const {
    // Script files are named "@path" for Lua's messages; the log shows the path.
    const char* name = chunkName != nullptr ? chunkName : "?";
    if (name[0] == '@') ++name;
    log("[LUA ERROR] load \"%s\": %s", name, message);
}

int LuaStack::luaLoadBuffer(lua_State* L, const char* chunk, int chunkSize, const char* chunkName) {
    checkThread("luaLoadBuffer");
    if (chunk == nullptr || chunkSize < 0) {
        const char* message = "no chunk data";
        logLoadError(chunkName, message);
        lua_pushstring(L, message);
        return LUA_ERRSYNTAX;
    }
    const std::size_t size = static_cast<std::size_t>(chunkSize);
    const std::size_t signLength = _xxteaSign.size();
    // Compare the sign by its length and only inside the chunk.
    const bool encrypted =
        _xxteaEnabled && size >= signLength && std::memcmp(chunk, _xxteaSign.data(), signLength) == 0;

    std::vector<unsigned char> plain;
    const char* source = chunk;
    std::size_t sourceSize = size;
    if (encrypted) {
        if (!xxtea::decrypt(chunk + signLength, size - signLength, _xxteaKey.data(), _xxteaKey.size(), plain)) {
            // Never run a chunk that failed to decrypt as an empty script.
            const char* message = "encrypted chunk does not decrypt (truncated or wrong key)";
            logLoadError(chunkName, message);
            lua_pushstring(L, message);
            return LUA_ERRSYNTAX;
        }
        source = reinterpret_cast<const char*>(plain.data());
        sourceSize = plain.size();
    }
    skipBom(source, sourceSize);

    const int status = luaL_loadbuffer(L, sourceSize != 0 ? source : "", sourceSize, chunkName);
    if (status != 0) logLoadError(chunkName, errorText(L, -1));
    return status;
}

} // namespace cocos2d
