// Path text rules shared by the project configuration: Windows separators,
// what counts as absolute, and joins that never double a separator.
// Pure string functions; any thread.
#pragma once

#include <string>

namespace simulator {

// Every "/" becomes "\" and runs of separators collapse to one, except a
// leading pair, which is a UNC prefix ("\\server\share") and must survive.
std::string toWindowsSeparators(const std::string& path);

// Appends "\" to a non-empty path that does not end in one.
std::string withTrailingSeparator(const std::string& path);

// The configuration's notion of absolute: a drive form ("C:..." with more
// after the colon) or a UNC path. A lone leading "\" is rooted but still
// taken relative to the project folder.
bool isAbsoluteConfigPath(const std::string& path);

// dir + rel, dropping rel's leading separators so that the result never
// holds "\\" at the seam. An empty dir gives rel unchanged.
std::string joinConfigPath(const std::string& dir, const std::string& rel);

} // namespace simulator
