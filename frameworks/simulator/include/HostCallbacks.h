// Functions this library calls back into the host. The host executable
// defines them; the library only declares them (tests link their own
// doubles).
#pragma once

#include <string>

// The executable's folder as an absolute path, without a trailing separator;
// "" when it cannot be found. Called by RuntimeEngine for an empty project
// folder.
std::string getExecutableDirAbsolute();

// Asks the game window to close as a user close would. Called by the console
// on its "shutdownapp" request; may be called from any thread.
void closeHostWindow();
