// The speed sampler's clock. Nothing else lives in this file: a test program
// that defines progressClockNs itself never pulls this one from the library.
#include "update/controller/AutoUpdateProgress.h"

#include <chrono>

int64_t progressClockNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
