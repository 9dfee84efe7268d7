// A unique folder under the system temp folder, removed with everything in
// it when the object goes.
#pragma once

#include <filesystem>
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // UTF-8, backslash separators, with a trailing backslash.
    std::string path() const;
    // Writes bytes to path() + relativeName (folders created) and returns
    // the file's full path.
    std::string writeFile(const std::string& relativeName, const std::string& bytes) const;

private:
    std::filesystem::path _root;
};
