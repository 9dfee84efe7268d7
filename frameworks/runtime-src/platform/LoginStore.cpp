// The saved login on disk. Every call is a full cycle (read, unprotect, parse,
// change, serialise, protect, write); nothing is cached, so two callers in a
// row always see each other's changes.
//
// What is saved is never destroyed by a later save: the new file is written
// beside the old one and moved into place (the engine's atomic write), a
// failed protection writes nothing, and a file this user cannot unprotect is
// kept aside as "zavu_login.txt.unreadable" before a new store replaces it.
#include "LoginStore.h"

#include "platform/ProtectedBlob.h"

#include "cocos2d.h"

namespace {

const char kFileName[] = "zavu_login.txt";
const char kUnreadableSuffix[] = ".unreadable";

struct LoadedStore {
    LoginStoreMap entries;
    // A file is there but its content could not be read back: a later save
    // must not silently replace it.
    bool unreadable = false;
};

std::string serialise(const LoginStoreMap& store) {
    std::string text;
    for (const auto& entry : store) {
        text += entry.first;
        text += '=';
        text += entry.second;
        text += '\n';
    }
    return text;
}

// A line break would start another entry when the file is read back, "=" in
// a key would move the split point, and a NUL would cut the value short
// wherever it is used as text (a token is sent through curl_escape).
bool isStorableEntry(const std::string& key, const std::string& value) {
    static const char kBreaks[] = {'\r', '\n', '\0'};
    const std::string breaks(kBreaks, sizeof kBreaks);
    return key.find_first_of(breaks + "=") == std::string::npos && value.find_first_of(breaks) == std::string::npos;
}

bool writeBlob(const std::string& blob) {
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    const std::string folder = files->getWritablePath();
    // The update may have been skipped, so nothing has made the folder yet.
    if (!folder.empty() && !files->isDirectoryExist(folder) && !files->createDirectory(folder)) {
        cocos2d::log("LoginStore: khong tao duoc thu muc %s", folder.c_str());
        return false;
    }
    if (!files->writeStringToFile(blob, loginStorePath())) {
        cocos2d::log("LoginStore: khong ghi duoc %s", loginStorePath().c_str());
        return false;
    }
    return true;
}

// Protects before touching the disk, so a refusal leaves the old file as it was.
std::string protectStore(const LoginStoreMap& store) {
    const std::string blob = protectString(serialise(store));
    if (blob.empty()) cocos2d::log("LoginStore: khong bao ve duoc du lieu, giu nguyen %s", kFileName);
    return blob;
}

LoadedStore loadStore() {
    LoadedStore loaded;
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    const std::string path = loginStorePath();
    const std::string text = files->getStringFromFile(path);
    if (text.empty()) {
        // Missing and empty files read as "", and so does one we may not open.
        loaded.unreadable = files->getFileSize(path) > 0;
        return loaded;
    }
    if (isProtectedBlob(text)) {
        std::string plain;
        if (unprotectString(text, plain) == 1)
            loaded.entries = parseKeyValueLines(plain);
        else
            loaded.unreadable = true;
        return loaded;
    }
    // A plain file from an older version: protect it at the first read.
    loaded.entries = parseKeyValueLines(text);
    if (!loaded.entries.empty()) saveLoginStore(loaded.entries);
    return loaded;
}

bool keepUnreadableFileAside() {
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    // Full paths with no folder: the writable path is used unchanged, without
    // the separator renameFile would add.
    const std::string path = loginStorePath();
    if (!files->renameFile(std::string(), path, path + kUnreadableSuffix)) {
        cocos2d::log("LoginStore: khong doc duoc %s va khong giu lai duoc, khong ghi de", kFileName);
        return false;
    }
    cocos2d::log("LoginStore: khong doc duoc %s, da giu lai thanh %s%s", kFileName, kFileName, kUnreadableSuffix);
    return true;
}

}  // namespace

std::string loginStorePath() { return cocos2d::FileUtils::getInstance()->getWritablePath() + kFileName; }

LoginStoreMap parseKeyValueLines(const std::string& text) {
    LoginStoreMap entries;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        const size_t equals = line.find('=');
        if (equals != std::string::npos) {
            std::string value = line.substr(equals + 1);
            while (!value.empty() && (value.back() == '\r' || value.back() == '\n')) value.pop_back();
            entries[line.substr(0, equals)] = value;
        }
        start = end + 1;
    }
    return entries;
}

LoginStoreMap loadLoginStore() { return loadStore().entries; }

void saveLoginStore(const LoginStoreMap& store) {
    const std::string blob = protectStore(store);
    if (!blob.empty()) writeBlob(blob);
}

std::string getSavedLoginValue(const char* key) {
    if (!key) return std::string();
    const LoginStoreMap store = loadLoginStore();
    const auto found = store.find(key);
    return found == store.end() ? std::string() : found->second;
}

void setSavedLoginValue(const char* key, const std::string& value) {
    if (!key || !isStorableEntry(key, value)) {
        cocos2d::log("LoginStore: bo qua khoa hoac gia tri co xuong dong hay ky tu NUL (hoac '=' trong khoa)");
        return;
    }
    LoadedStore loaded = loadStore();
    loaded.entries[key] = value;
    const std::string blob = protectStore(loaded.entries);
    if (blob.empty()) return;
    if (loaded.unreadable && !keepUnreadableFileAside()) return;
    writeBlob(blob);
}
