// The `require` loader: module "a.b" is looked up as "a/b.luac", then
// "a/b.lua", under each package.path template that ends in "?.lua".
#include "LuaScriptLoader.h"

#include "scripting/lua-bindings/manual/CCLuaStack.h"

#include "platform/CCFileUtils.h"

#include <algorithm>

namespace cocos2d {
namespace {

constexpr char kBytecodeExtension[] = ".luac";
constexpr char kSourceExtension[] = ".lua";
constexpr char kTemplateMark[] = "?.lua";

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The folder part of each template, in order: "./src/?.lua" gives "src/";
// templates without "?.lua" ("?/init.lua", C paths) give nothing.
std::vector<std::string> templatePrefixes(const std::string& packagePath) {
    std::vector<std::string> prefixes;
    std::size_t begin = 0;
    while (begin <= packagePath.size()) {
        std::size_t end = packagePath.find(';', begin);
        if (end == std::string::npos) end = packagePath.size();
        std::string entry = packagePath.substr(begin, end - begin);
        begin = end + 1;
        if (entry.compare(0, 2, "./") == 0) entry.erase(0, 2);
        const std::size_t mark = entry.find(kTemplateMark);
        if (mark == std::string::npos) continue;
        prefixes.push_back(entry.substr(0, mark));
    }
    return prefixes;
}

std::string packagePath(lua_State* L) {
    lua_getglobal(L, "package");
    std::string path;
    if (lua_istable(L, -1)) {
        lua_getfield(L, -1, "path");
        if (const char* text = lua_tostring(L, -1)) path = text;
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
    return path;
}

// Pushes the loaded chunk, or require's "not found" text, and returns true;
// pushes an error message and returns false when a file was found but does
// not load. Raises no Lua error itself, so the C++ locals here are always
// destroyed (a Lua error unwinds past C++ frames without running destructors).
bool findAndLoad(lua_State* L, LuaStack* stack, const char* name) {
    std::string module = stripScriptExtension(name);
    std::replace(module.begin(), module.end(), '.', '/');

    FileUtils* files = FileUtils::getInstance();
    std::string tried;
    for (const std::string& prefix : templatePrefixes(packagePath(L))) {
        const std::string base = prefix + module;
        const std::string candidate = chooseScriptFile(base);
        if (candidate == base) {
            tried += "\n\tno file '" + base + kBytecodeExtension + "' or '" + base + kSourceExtension +
                     "' through FileUtils";
            continue;
        }
        const std::string fullPath = files->fullPathForFilename(candidate);
        const Data data = files->getDataFromFile(fullPath);
        const std::string chunkName = "@" + fullPath;
        const char* bytes = data.isNull() ? "" : reinterpret_cast<const char*>(data.getBytes());
        if (stack->luaLoadBuffer(L, bytes, static_cast<int>(data.getSize()), chunkName.c_str()) != 0) {
            lua_pushfstring(L, "error loading module '%s' from file '%s':\n\t%s", name, fullPath.c_str(),
                            lua_tostring(L, -1));
            return false;
        }
        return true;
    }
    lua_pushlstring(L, tried.data(), tried.size());
    return true;
}

// Lua 5.1 loader protocol: return the chunk, or a message that require adds
// to its "module not found" error.
int scriptLoader(lua_State* L) {
    const char* name = luaL_checkstring(L, 1);
    auto* stack = static_cast<LuaStack*>(lua_touserdata(L, lua_upvalueindex(1)));
    if (!findAndLoad(L, stack, name)) return lua_error(L);
    return 1;
}

} // namespace

std::string stripScriptExtension(const std::string& name) {
    if (endsWith(name, kBytecodeExtension)) return name.substr(0, name.size() - (sizeof(kBytecodeExtension) - 1));
    if (endsWith(name, kSourceExtension)) return name.substr(0, name.size() - (sizeof(kSourceExtension) - 1));
    return name;
}

std::string chooseScriptFile(const std::string& base) {
    FileUtils* files = FileUtils::getInstance();
    const std::string bytecode = base + kBytecodeExtension;
    if (files->isFileExist(bytecode)) return bytecode;
    const std::string source = base + kSourceExtension;
    if (files->isFileExist(source)) return source;
    return base;
}

void installScriptLoader(lua_State* L, LuaStack* stack) {
    lua_getglobal(L, "package");
    lua_getfield(L, -1, "loaders");
    if (!lua_istable(L, -1)) {
        lua_pop(L, 2);
        return;
    }
    // Shift entries 2..n up by one, then put ours at 2.
    for (int i = static_cast<int>(lua_objlen(L, -1)); i >= 2; --i) {
        lua_rawgeti(L, -1, i);
        lua_rawseti(L, -2, i + 1);
    }
    lua_pushlightuserdata(L, stack);
    lua_pushcclosure(L, scriptLoader, 1);
    lua_rawseti(L, -2, 2);
    lua_pop(L, 2);
}

} // namespace cocos2d
