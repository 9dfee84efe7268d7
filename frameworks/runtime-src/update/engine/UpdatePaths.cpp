#include "update/engine/UpdatePaths.h"

#include "cocos2d.h"
#include "platform/LongPath.h"
#include "proj.win32/TextConversion.h"
#include "proj.win32/TlsWarmup.h"

#ifndef PATCH_SERVER_HOST
#error "PATCH_SERVER_HOST must be defined by the build"
#endif

using cocos2d::FileUtils;

const std::string& getResourcesDir() {
    // Magic-static initialisation is thread-safe; the unpacking thread uses it
    // too, and may still run at exit: never destroyed.
    static const std::string& dir = *new std::string(FileUtils::getInstance()->getWritablePath() + "auc/Resources/");
    return dir;
}

std::string getDownloadsDir() { return FileUtils::getInstance()->getWritablePath() + "auc/Downloads/"; }

std::string patchServerPlainRoot() { return std::string("http://") + PATCH_SERVER_HOST + "/"; }

void upgradePatchUrl(std::string& url) {
    const std::string plain = patchServerPlainRoot();
    if (url.size() < plain.size() || url.compare(0, plain.size(), plain) != 0) return;
    url = patchServerRoot() + url.substr(plain.size());
}

FILE* openFileUtf8(const std::string& path, const wchar_t* mode) { return _wfopen(win32FilePath(path).c_str(), mode); }

std::wstring win32FilePath(const std::string& path) { return cocos2d::fs::longPathForm(utf8ToWide(path)); }
