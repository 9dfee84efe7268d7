// Search-path resolution and the file calls of FileUtils; the actual I/O is
// in FileSystem_win.cpp.
#include "platform/CCFileUtils.h"

#include "base/CCConsole.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cctype>

namespace cocos2d {

namespace {

bool endsWithSeparator(const std::string& s) { return !s.empty() && (s.back() == '/' || s.back() == '\\'); }

std::string withTrailingSlash(const std::string& s) { return s.empty() || endsWithSeparator(s) ? s : s + "/"; }

} // namespace

FileUtils* FileUtils::getInstance() {
    static FileUtils* instance = new FileUtils();
    return instance;
}

FileUtils::FileUtils() : _defaultResRootPath(fs::currentDirectory()) {
    _searchPaths.push_back(_defaultResRootPath);
}

FileUtils::~FileUtils() = default;

void FileUtils::setDefaultResourceRootPath(const std::string& path) {
    std::lock_guard<std::mutex> lock(_mutex);
    _defaultResRootPath = withTrailingSlash(path);
    _fullPathCache.clear();
    applySearchPaths(_originalSearchPaths);
}

const std::string& FileUtils::getDefaultResourceRootPath() const { return _defaultResRootPath; }

void FileUtils::setWritablePath(const std::string& writablePath) {
    std::lock_guard<std::mutex> lock(_mutex);
    _writablePath = writablePath;
}

std::string FileUtils::getWritablePath() const {
    {
        std::lock_guard<std::mutex> lock(_mutex);
        if (!_writablePath.empty()) return _writablePath;
    }
    return fs::defaultWritablePath();
}

std::string FileUtils::resolveSearchPath(const std::string& path) const {
    const std::string prefix = isAbsolutePath(path) ? std::string() : _defaultResRootPath;
    return withTrailingSlash(prefix + path);
}

// Caller holds _mutex.
void FileUtils::applySearchPaths(const std::vector<std::string>& originals) {
    _originalSearchPaths = originals;
    _searchPaths.clear();
    bool hasRoot = false;
    for (const std::string& original : originals) {
        std::string resolved = resolveSearchPath(original);
        if (resolved == _defaultResRootPath) hasRoot = true;
        _searchPaths.push_back(std::move(resolved));
    }
    if (!hasRoot) _searchPaths.push_back(_defaultResRootPath);
}

void FileUtils::addSearchPath(const std::string& path, bool front) {
    std::lock_guard<std::mutex> lock(_mutex);
    std::string resolved = resolveSearchPath(path);
    if (front) {
        _originalSearchPaths.insert(_originalSearchPaths.begin(), path);
        _searchPaths.insert(_searchPaths.begin(), std::move(resolved));
    } else {
        _originalSearchPaths.push_back(path);
        _searchPaths.push_back(std::move(resolved));
    }
    // A new front path may hide files found before; cached answers would be stale.
    _fullPathCache.clear();
}

void FileUtils::setSearchPaths(const std::vector<std::string>& searchPaths) {
    std::lock_guard<std::mutex> lock(_mutex);
    _fullPathCache.clear();
    applySearchPaths(searchPaths);
}

const std::vector<std::string>& FileUtils::getSearchPaths() const { return _searchPaths; }

void FileUtils::setPopupNotify(bool notify) {
    std::lock_guard<std::mutex> lock(_mutex);
    _popupNotify = notify;
}

bool FileUtils::isPopupNotify() const {
    std::lock_guard<std::mutex> lock(_mutex);
    return _popupNotify;
}

// A drive path, a network path, or a path rooted on the current drive ("\game\"
// is how a project folder named "/game" on the command line ends up): joining
// any of them to the resource root would name a folder that does not exist.
bool FileUtils::isAbsolutePath(const std::string& path) const {
    if (path.size() > 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') return true;
    return !path.empty() && (path[0] == '/' || path[0] == '\\');
}

bool FileUtils::isRegularFile(const std::string& path) const { return fs::isRegularFile(path); }

std::string FileUtils::toFilesystemPath(const std::string& path) const {
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

std::string FileUtils::fullPathForFilename(const std::string& filename) const {
    if (filename.empty()) return std::string();
    if (isAbsolutePath(filename)) return filename;

    std::vector<std::string> searchPaths;
    bool notify = false;
    {
        std::lock_guard<std::mutex> lock(_mutex);
        auto cached = _fullPathCache.find(filename);
        if (cached != _fullPathCache.end()) return cached->second;
        searchPaths = _searchPaths;
        notify = _popupNotify;
    }

    const std::string name = toFilesystemPath(filename);
    for (const std::string& searchPath : searchPaths) {
        std::string candidate = searchPath + name;
        if (!isRegularFile(candidate)) continue;
        std::lock_guard<std::mutex> lock(_mutex);
        // Only cache when the search paths did not change under us.
        if (_searchPaths == searchPaths) _fullPathCache[filename] = candidate;
        return candidate;
    }
    if (notify) log("cocos2d: fullPathForFilename: No file found at %s. Possible missing file.", filename.c_str());
    return std::string();
}

bool FileUtils::isFileExist(const std::string& filename) const {
    if (filename.empty()) return false;
    if (isAbsolutePath(filename)) return isRegularFile(filename);
    std::vector<std::string> searchPaths;
    {
        std::lock_guard<std::mutex> lock(_mutex);
        if (_fullPathCache.count(filename)) return true;
        searchPaths = _searchPaths;
    }
    // A query, not a request for the file: no "No file found" line here.
    const std::string name = toFilesystemPath(filename);
    return std::any_of(searchPaths.begin(), searchPaths.end(),
                       [&](const std::string& sp) { return isRegularFile(sp + name); });
}

bool FileUtils::isDirectoryExist(const std::string& dirPath) const {
    if (dirPath.empty()) return false;
    if (isAbsolutePath(dirPath)) return fs::isDirectory(dirPath);
    std::vector<std::string> searchPaths;
    {
        std::lock_guard<std::mutex> lock(_mutex);
        searchPaths = _searchPaths;
    }
    const std::string name = toFilesystemPath(dirPath);
    return std::any_of(searchPaths.begin(), searchPaths.end(),
                       [&](const std::string& sp) { return fs::isDirectory(sp + name); });
}

std::string FileUtils::getStringFromFile(const std::string& filename) const {
    const std::string path = fullPathForFilename(filename);
    std::vector<unsigned char> bytes;
    if (path.empty() || !fs::readFile(path, &bytes)) return std::string();
    return std::string(bytes.begin(), bytes.end());
}

Data FileUtils::getDataFromFile(const std::string& filename) const {
    Data data;
    const std::string path = fullPathForFilename(filename);
    std::vector<unsigned char> bytes;
    if (path.empty() || !fs::readFile(path, &bytes)) return data;
    data.copy(bytes.data(), static_cast<ssize_t>(bytes.size()));
    return data;
}

bool FileUtils::writeStringToFile(const std::string& data, const std::string& fullPath) const {
    return fs::writeFileAtomic(fullPath, data.data(), data.size());
}

bool FileUtils::writeDataToFile(const Data& data, const std::string& fullPath) const {
    return fs::writeFileAtomic(fullPath, data.getBytes(), data.isNull() ? 0 : static_cast<size_t>(data.getSize()));
}

bool FileUtils::createDirectory(const std::string& dirPath) const { return fs::createDirectories(dirPath); }

bool FileUtils::removeDirectory(const std::string& dirPath) const { return fs::removeTree(dirPath); }

bool FileUtils::removeFile(const std::string& filepath) const { return fs::removeFile(filepath); }

bool FileUtils::renameFile(const std::string& dirPath, const std::string& oldName, const std::string& newName) const {
    if (oldName.empty() || newName.empty()) return false;
    const std::string dir = withTrailingSlash(dirPath);
    return fs::renameReplacing(dir + oldName, dir + newName);
}

long FileUtils::getFileSize(const std::string& filepath) const {
    std::string path = filepath;
    if (!isAbsolutePath(filepath)) {
        path = fullPathForFilename(filepath);
        if (path.empty()) return 0;
    }
    const long long size = fs::fileSize(path);
    // long is 32 bits on Windows: a size it cannot hold is reported as unknown, not truncated.
    if (size > 0x7fffffffLL) return -1;
    return static_cast<long>(size);
}

void FileUtils::purgeCachedEntries() {
    std::lock_guard<std::mutex> lock(_mutex);
    _fullPathCache.clear();
}

} // namespace cocos2d
