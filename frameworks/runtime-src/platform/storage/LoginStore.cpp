// The saved login on disk. Every call is a full cycle (read, unprotect, parse,
// change, serialise, protect, write); nothing is cached, so two callers in a
// row always see each other's changes.
//
// What is saved is never destroyed by a later save: the new file is written
// beside the old one and moved into place (the engine's atomic write), a
// failed protection writes nothing, a file this user cannot unprotect is
// kept aside as "zavu_login.txt.unreadable" before a new store replaces it,
// and a file that cannot be read at the moment (another program holds it) is
// tried again briefly and otherwise left as it is, with nothing written.
#include "LoginStore.h"

#include "platform/storage/ProtectedBlob.h"

#include "cocos2d.h"

#include <chrono>
#include <thread>

namespace {

const char kFileName[] = "zavu_login.txt";
const char kUnreadableSuffix[] = ".unreadable";

// A scanner or a backup tool may hold the file for a moment; a read that
// still fails after this is left alone rather than taken for damage.
constexpr int kReadAttempts = 8;
constexpr int kReadRetryDelayMs = 100;  // so about 0.7 s in all, on the main thread

enum class StoreFile {
    Missing,          // no file, or an empty one: an empty store
    Read,             // entries read (protected, or plain and migrated)
    CannotUnprotect,  // there, but its blob is another user's or damaged
    CannotReadNow,    // there, but it could not be read, even after retrying
};

struct LoadedStore {
    LoginStoreMap entries;
    StoreFile file = StoreFile::Missing;
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

// The file's bytes; false when it is there and not empty but cannot be read.
bool readStoreFile(const std::string& path, std::string& text) {
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    text = files->getStringFromFile(path);
    if (!text.empty()) return true;
    // Missing and empty files read as "", and so does one we may not open:
    // its size (read without opening it) tells them apart.
    return !files->isFileExist(path) || files->getFileSize(path) == 0;
}

LoadedStore loadStore() {
    LoadedStore loaded;
    const std::string path = loginStorePath();
    std::string text;
    bool read = false;
    for (int attempt = 0; attempt < kReadAttempts && !read; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(kReadRetryDelayMs));
        read = readStoreFile(path, text);
    }
    if (!read) {
        cocos2d::log("LoginStore: chua doc duoc %s (dang bi chuong trinh khac giu?), giu nguyen tep", kFileName);
        loaded.file = StoreFile::CannotReadNow;
        return loaded;
    }
    if (text.empty()) return loaded;
    if (isProtectedBlob(text)) {
        std::string plain;
        if (unprotectString(text, plain) == 1) {
            loaded.entries = parseKeyValueLines(plain);
            loaded.file = StoreFile::Read;
        } else {
            loaded.file = StoreFile::CannotUnprotect;
        }
        return loaded;
    }
    // A plain file from an older version: protect it at the first read.
    loaded.entries = parseKeyValueLines(text);
    loaded.file = StoreFile::Read;
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
    // Unread, the file may hold everything saved: a new store must not replace it.
    if (loaded.file == StoreFile::CannotReadNow) return;
    loaded.entries[key] = value;
    const std::string blob = protectStore(loaded.entries);
    if (blob.empty()) return;
    if (loaded.file == StoreFile::CannotUnprotect && !keepUnreadableFileAside()) return;
    writeBlob(blob);
}

void clearSavedLoginValues(std::initializer_list<const char*> keys) {
    for (const char* key : keys) setSavedLoginValue(key, std::string());
    const LoadedStore after = loadStore();
    bool cleared = after.file != StoreFile::CannotReadNow;
    for (const char* key : keys) {
        const auto found = after.entries.find(key);
        if (found != after.entries.end() && !found->second.empty()) cleared = false;
    }
    if (cleared) return;
    // The emptied store could not be written protected (or the file could not
    // be read): nothing in it is left to protect, and its tokens must not
    // outlive the logout, so the file goes.
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    if (files->removeFile(loginStorePath()))
        cocos2d::log("LoginStore: khong ghi duoc kho da xoa, da xoa %s", kFileName);
    else
        cocos2d::log("LoginStore: khong ghi duoc kho da xoa va khong xoa duoc %s", kFileName);
}
