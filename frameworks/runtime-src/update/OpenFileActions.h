// Renaming and deleting a file through a handle that is still open. Under
// wine each open by name is a round trip to the single-threaded wineserver,
// which resolves the whole path again; acting on the open handle is one
// request. The handle must have been opened with DELETE access.
#pragma once

#include "proj.win32/Win32.h"

#include <string>

// Gives the open file the name target (a full path), replacing a file there.
bool renameOpenFile(HANDLE file, const std::wstring& target);

// Marks the open file to be deleted when its last handle closes.
bool deleteOpenFileOnClose(HANDLE file);
