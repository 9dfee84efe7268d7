// File-system primitives behind FileUtils. Any thread.
//
// Paths are UTF-8 and may mix "/" and "\"; relative paths are relative to the
// process's current directory. The Win32 implementation uses only the
// wide-character calls.
#pragma once

#include <string>
#include <vector>

namespace cocos2d {
namespace fs {

bool isRegularFile(const std::string& path);
bool isDirectory(const std::string& path);

// Whole file, binary. False when missing, a directory or unreadable.
bool readFile(const std::string& path, std::vector<unsigned char>* out);

// Writes to a temporary file in the same folder, then renames it over path.
bool writeFileAtomic(const std::string& path, const void* bytes, size_t size);

// mkdir -p; true when the directory exists afterwards.
bool createDirectories(const std::string& path);
// Recursive delete; false when missing or when anything could not be removed.
// Links (reparse points) are removed, never followed.
bool removeTree(const std::string& path);
bool removeFile(const std::string& path);
// Atomically replaces `to` when it exists.
bool renameReplacing(const std::string& from, const std::string& to);
// Size of a regular file, -1 when missing or not a file.
long long fileSize(const std::string& path);

// The current directory with "/" separators and a trailing "/".
std::string currentDirectory();
// The per-user folder for the application's files ("<local app data>/<exe name>/",
// "/" separators), created on demand; the executable's folder when that fails.
std::string defaultWritablePath();

} // namespace fs
} // namespace cocos2d
