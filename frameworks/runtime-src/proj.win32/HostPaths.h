// Where the executable lives, in the forms the host start-up and the simulator
// library ask for.
#pragma once

#include <string>

// The executable's full path in UTF-8 (any length Windows allows).
std::string getExecutablePath();

// The executable's folder with "/" separators and no trailing separator;
// empty when the path has no separator.
std::string getExecutableDir();

// Called by the simulator library for an empty project folder: the folder in
// the runtime library's 8-bit form, made absolute; empty when it cannot be formed.
std::string getExecutableDirAbsolute();
