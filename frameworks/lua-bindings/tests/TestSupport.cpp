#include "TestSupport.h"
#include "LogHook.h"

#include "xxtea/xxtea.h"

#include "base/CCConsole.h"
#include "platform/CCFileUtils.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace testing_support {

GameFolder::GameFolder() {
    static std::atomic<int> counter{0};
    const fs::path base = fs::temp_directory_path() /
                          ("luabindings-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++));
    fs::remove_all(base);
    fs::create_directories(base);
    _root = base.generic_u8string() + "/";

    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    _savedRoot = files->getDefaultResourceRootPath();
    _savedSearchPaths = files->getSearchPaths();
    files->setDefaultResourceRootPath(_root);
    files->setSearchPaths({});
    files->purgeCachedEntries();
}

GameFolder::~GameFolder() {
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    files->setDefaultResourceRootPath(_savedRoot);
    files->setSearchPaths(_savedSearchPaths);
    files->purgeCachedEntries();
    std::error_code ignored;  // a leftover temp folder is harmless
    fs::remove_all(fs::u8path(_root), ignored);
}

void GameFolder::write(const std::string& path, const std::string& bytes) const {
    const fs::path full = fs::u8path(_root + path);
    fs::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
    cocos2d::FileUtils::getInstance()->purgeCachedEntries();
}

std::string GameFolder::absolute(const std::string& path) const { return _root + path; }

LogCapture::LogCapture() : _lines(std::make_shared<std::vector<std::string>>()) {
    auto lines = _lines;
    cocos2d::setLogHook([lines](const std::string& line) { lines->push_back(line); });
}

LogCapture::~LogCapture() { cocos2d::setLogHook({}); }

bool LogCapture::contains(const std::string& fragment) const { return !matching(fragment).empty(); }

std::vector<std::string> LogCapture::matching(const std::string& fragment) const {
    std::vector<std::string> found;
    for (const std::string& line : *_lines) {
        if (line.find(fragment) != std::string::npos) found.push_back(line);
    }
    return found;
}

KeyedStack::KeyedStack() {
    EXPECT_TRUE(stack.init());
    L = stack.getLuaState();
    stack.setXXTEAKeyAndSign(kKey, static_cast<int>(std::strlen(kKey)), kSign, static_cast<int>(std::strlen(kSign)));
}

std::string encryptScript(const std::string& source, const std::string& key, const std::string& sign) {
    const std::vector<unsigned char> body = xxtea::encrypt(source.data(), source.size(), key.data(), key.size());
    return sign + std::string(body.begin(), body.end());
}

std::string fromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string toHex(const std::string& bytes) {
    std::string hex;
    char digits[3];
    for (unsigned char byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        hex += digits;
    }
    return hex;
}

std::string evalString(lua_State* L, const std::string& code) {
    const int top = lua_gettop(L);
    std::string result;
    if (luaL_loadbuffer(L, code.data(), code.size(), "=test") != 0 || lua_pcall(L, 0, 1, 0) != 0) {
        const char* message = lua_tostring(L, -1);
        result = std::string("error: ") + (message != nullptr ? message : "?");
    } else if (const char* text = lua_tostring(L, -1)) {
        result = text;
    }
    lua_settop(L, top);
    return result;
}

std::string executableFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return "";
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return fs::path(path).parent_path().generic_u8string() + "/";
}

} // namespace testing_support
