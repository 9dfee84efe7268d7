// Test doubles of the host callbacks (HostCallbacks.h): they count their
// calls, and the executable folder is whatever a test sets.
#pragma once

#include <string>

namespace hostdoubles {

struct Calls {
    int closeHostWindow = 0;
    int getExecutableDirAbsolute = 0;
};

Calls& calls();
void setExecutableDir(const std::string& dir);
// Zeroes the counters and sets the executable folder to "C:\exe".
void reset();

} // namespace hostdoubles
