#include "TempDir.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = fs::temp_directory_path() /
            ("simulator-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        if (fs::create_directory(candidate)) {
            _root = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temp folder");
}

TempDir::~TempDir()
{
    std::error_code ignored; // a leftover temp folder is not worth failing a test for
    fs::remove_all(_root, ignored);
}

std::string TempDir::path() const
{
    std::string text = _root.u8string();
    for (char& c : text) {
        if (c == '/') c = '\\';
    }
    if (text.empty() || text.back() != '\\') text.push_back('\\');
    return text;
}

std::string TempDir::writeFile(const std::string& relativeName, const std::string& bytes) const
{
    const fs::path file = _root / fs::u8path(relativeName);
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + file.u8string());
    std::string full = path() + relativeName;
    for (char& c : full) {
        if (c == '/') c = '\\';
    }
    return full;
}
