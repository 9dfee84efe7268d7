#include "platform/CaBundle.h"

#include "proj.win32/TlsWarmup.h"

#include <string>

const char* cachedCaBundlePath() {
    static const std::string path = getCaBundlePath();
    return path.empty() ? nullptr : path.c_str();
}
