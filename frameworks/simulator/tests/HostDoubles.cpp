#include "HostDoubles.h"

#include "HostCallbacks.h"

namespace hostdoubles {
namespace {

std::string& executableDir()
{
    static std::string dir = "C:\\exe";
    return dir;
}

} // namespace

Calls& calls()
{
    static Calls counters;
    return counters;
}

void setExecutableDir(const std::string& dir)
{
    executableDir() = dir;
}

void reset()
{
    calls() = Calls();
    executableDir() = "C:\\exe";
}

} // namespace hostdoubles

std::string getExecutableDirAbsolute()
{
    ++hostdoubles::calls().getExecutableDirAbsolute;
    return hostdoubles::executableDir();
}

void closeHostWindow()
{
    ++hostdoubles::calls().closeHostWindow;
}
