// Resource lookup through search paths, and file I/O on the real file system.
//
// Names and paths are UTF-8; every file call goes through the wide-character
// Win32 / CRT functions, so non-ASCII folders work.
//
// Threads: the search-path configuration and lookups are meant for the main
// thread; the path-level calls with absolute paths (isFileExist,
// isDirectoryExist, getFileSize, getStringFromFile, getDataFromFile,
// writeStringToFile, createDirectory, removeDirectory, removeFile,
// renameFile) are safe from worker threads. The caches sit behind a mutex.
//
// Lookup: an absolute name is returned unchanged. A relative name is tried
// against each search path in order and the first that names an existing
// FILE wins; a miss gives "" (and a log line while popup notify is on).
#pragma once

#include "base/CCData.h"

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace cocos2d {

class FileUtils {
public:
    static FileUtils* getInstance();

    virtual ~FileUtils();

    // Appends "/" unless p is empty or already ends in "/" or "\"; clears the
    // caches and re-resolves the search paths against the new root.
    virtual void setDefaultResourceRootPath(const std::string& path);
    virtual const std::string& getDefaultResourceRootPath() const;

    // Stored exactly as given.
    virtual void setWritablePath(const std::string& writablePath);
    virtual std::string getWritablePath() const;

    // A relative path gets the resource root in front; a trailing "/" is added
    // unless the path ends in a separator. Does not clear the lookup cache.
    virtual void addSearchPath(const std::string& path, bool front = false);
    // Same resolution for each entry; the root is appended when no entry
    // equals it. Clears the lookup cache.
    virtual void setSearchPaths(const std::vector<std::string>& searchPaths);
    virtual const std::vector<std::string>& getSearchPaths() const;

    // Only gates the "No file found" log line.
    virtual void setPopupNotify(bool notify);
    virtual bool isPopupNotify() const;

    // "X:..." (drive letter, colon, more), "//..." or "\\..." (UNC).
    virtual bool isAbsolutePath(const std::string& path) const;
    virtual std::string fullPathForFilename(const std::string& filename) const;

    // True only for an existing regular file (not a directory).
    virtual bool isFileExist(const std::string& filename) const;
    virtual bool isDirectoryExist(const std::string& dirPath) const;

    // Whole file in binary; "" / null Data when missing or unreadable.
    virtual std::string getStringFromFile(const std::string& filename) const;
    virtual Data getDataFromFile(const std::string& filename) const;

    // Written to a temporary name beside fullPath and renamed into place, so a
    // half-written file never appears under the final name.
    virtual bool writeStringToFile(const std::string& data, const std::string& fullPath) const;
    virtual bool writeDataToFile(const Data& data, const std::string& fullPath) const;

    // mkdir -p; accepts "/" and "\" and a trailing separator; true when the
    // directory exists afterwards.
    virtual bool createDirectory(const std::string& dirPath) const;
    // Recursive; false when the directory is missing or anything is left.
    virtual bool removeDirectory(const std::string& dirPath) const;
    virtual bool removeFile(const std::string& filepath) const;
    // Replaces an existing dir+newName with dir+oldName.
    virtual bool renameFile(const std::string& dirPath, const std::string& oldName,
                            const std::string& newName) const;
    // Size in bytes; -1 for a missing absolute path, 0 for a relative name
    // that is not found.
    virtual long getFileSize(const std::string& filepath) const;

    virtual void purgeCachedEntries();

protected:
    FileUtils();

private:
    FileUtils(const FileUtils&) = delete;
    FileUtils& operator=(const FileUtils&) = delete;

    std::string resolveSearchPath(const std::string& path) const;
    void applySearchPaths(const std::vector<std::string>& originals);
    bool isRegularFile(const std::string& path) const;
    std::string toFilesystemPath(const std::string& path) const;

    mutable std::mutex _mutex;
    std::string _defaultResRootPath;
    std::string _writablePath;
    std::vector<std::string> _searchPaths;
    std::vector<std::string> _originalSearchPaths;
    mutable std::unordered_map<std::string, std::string> _fullPathCache;
    bool _popupNotify = true;
};

} // namespace cocos2d
