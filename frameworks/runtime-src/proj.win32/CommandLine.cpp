#include "proj.win32/CommandLine.h"

#include "proj.win32/TextConversion.h"

#include <cstdlib>

std::vector<std::string> processArguments() {
    std::vector<std::string> args;
    if (!__wargv) return args;  // only filled for a -municode program; never trust it blindly
    args.reserve(static_cast<size_t>(__argc));
    for (int i = 0; i < __argc; ++i) {
        args.push_back(wideToUtf8(__wargv[i]));
    }
    return args;
}
