// Helpers of the update engine's in-process tests: a unique temporary folder,
// small file helpers on the wide-character calls, a zip builder on minizip's
// writer, and a main-thread pump with a deadline.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace updatetest {

class TempFolder {
public:
    // "<temp>/upd-<unique><leaf>/", UTF-8 with "/" separators.
    explicit TempFolder(const std::string& leaf = std::string());
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

void writeFile(const std::string& path, const std::string& bytes);
bool readFile(const std::string& path, std::string* bytes);
bool exists(const std::string& path);  // file or folder
void makeDir(const std::string& path);
void removeTree(const std::string& path);
// Every file below a folder, as relative paths with "/".
std::vector<std::string> listFiles(const std::string& folder);

// One zip entry: a name ending in "/" is a folder entry (data ignored).
struct ZipEntry {
    std::string name;
    std::string data;
};
// Writes the archive and returns its bytes. stored=true writes entries uncompressed.
std::string buildZip(const std::string& path, const std::vector<ZipEntry>& entries, bool stored = false);

// Ticks the engine's scheduler until done() or the deadline; true when done.
bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 10000);
void pumpFor(int ms);

}  // namespace updatetest
