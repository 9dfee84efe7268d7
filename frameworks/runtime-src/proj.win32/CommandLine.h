// The process's arguments as UTF-8 strings, program path first.
#pragma once

#include <string>
#include <vector>

// Converted from UTF-16 with the UTF-8 code page, so that non-ASCII folder
// names survive; ASCII arguments are unchanged.
std::vector<std::string> processArguments();
