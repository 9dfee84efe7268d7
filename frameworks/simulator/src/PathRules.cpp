#include "PathRules.h"

namespace simulator {
namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

} // namespace

std::string toWindowsSeparators(const std::string& path)
{
    std::string out;
    out.reserve(path.size());
    size_t i = 0;
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        out = "\\\\";
        i = 2;
        while (i < path.size() && isSeparator(path[i])) ++i;
    }
    for (; i < path.size(); ++i) {
        const char c = path[i];
        if (!isSeparator(c)) {
            out.push_back(c);
            continue;
        }
        if (out.empty() || out.back() != '\\') out.push_back('\\');
    }
    return out;
}

std::string withTrailingSeparator(const std::string& path)
{
    if (path.empty() || isSeparator(path.back())) return path;
    return path + '\\';
}

bool isAbsoluteConfigPath(const std::string& path)
{
    if (path.size() > 2 && path[1] == ':') return true;
    return path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
}

std::string joinConfigPath(const std::string& dir, const std::string& rel)
{
    if (dir.empty()) return rel;
    size_t start = 0;
    while (start < rel.size() && isSeparator(rel[start])) ++start;
    return withTrailingSeparator(dir) + rel.substr(start);
}

} // namespace simulator
