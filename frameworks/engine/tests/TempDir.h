// Test fixture helpers: a unique temporary folder (removed afterwards) and
// direct wide-character file helpers that do not go through the code under test.
#pragma once

#include <string>
#include <vector>

namespace enginetest {

class TempDir {
public:
    // Creates "<temp>/engine-<unique>/<leaf>"; leaf is UTF-8 and may be empty.
    explicit TempDir(const std::string& leaf = std::string());
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // UTF-8, "/" separators, trailing "/".
    const std::string& path() const { return _path; }
    std::string operator/(const std::string& name) const { return _path + name; }

private:
    std::string _base;
    std::string _path;
};

void writeFile(const std::string& utf8Path, const std::string& bytes);
bool readFile(const std::string& utf8Path, std::string* bytes);
void makeDir(const std::string& utf8Path);
bool exists(const std::string& utf8Path);
// Names inside a folder (no "." / "..").
std::vector<std::string> listDir(const std::string& utf8Path);

} // namespace enginetest
