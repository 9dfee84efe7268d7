// The form of a file path that the wide-character Win32 file calls accept at
// any length. Shared by the engine's file helpers and the host's own file
// code, so that both reach the same files by the same names. Any thread.
#pragma once

#include <string>

namespace cocos2d {
namespace fs {

// From this length (in UTF-16 units) a path gets the long form: it is
// CreateDirectoryW's limit, a little below MAX_PATH, which the other calls share.
constexpr size_t kLongPathThreshold = 248;

// A path shorter than kLongPathThreshold comes back unchanged. A longer one is
// made absolute and normalised (GetFullPathNameW: "/" becomes "\", "." and
// ".." parts are resolved, since the long form takes every name literally)
// and prefixed: "\\?\C:\..." for a drive path, "\\?\UNC\server\share\..."
// for a network path. A path already in a device or long form ("\\?\",
// "\\.\", "\??\") comes back unchanged, and so does one that cannot be made
// absolute.
std::wstring longPathForm(const std::wstring& path);

} // namespace fs
} // namespace cocos2d
