// Renaming and deleting a file through a handle that is still open. Under
// wine each open by name is a round trip to the single-threaded wineserver,
// which resolves the whole path again; acting on the open handle is one
// request. The handle must have been opened with DELETE access.
#pragma once

#include "proj.win32/ScopedHandle.h"
#include "proj.win32/Win32.h"

#include <cstdio>
#include <string>

// A file opened with CreateFileW, with DELETE access where the system grants
// it (then `deletable`); without it when another program has the file open
// without sharing deletion. `file` is empty when it cannot be opened at all.
struct FileWithDelete {
    ScopedFileHandle file;
    bool deletable = false;
};
FileWithDelete openFileWithDelete(const std::wstring& path, DWORD access, DWORD share, DWORD disposition);

// A C runtime stream on a file opened with CreateFileW, with DELETE access
// where the system grants it (then `deletable`). The stream owns the handle:
// closing the stream closes it. All empty when the file cannot be opened.
struct StreamWithHandle {
    FILE* stream = nullptr;
    HANDLE handle = nullptr;
    bool deletable = false;
};
// access: GENERIC_READ or GENERIC_WRITE; fdFlags for _open_osfhandle; mode
// for _fdopen. Shared as the C runtime's fopen shares, and for deletion.
StreamWithHandle openStreamWithDelete(const std::wstring& path, DWORD access, DWORD disposition, int fdFlags,
                                      const char* mode);

// Gives the open file the name target (a full path), replacing a file there.
bool renameOpenFile(HANDLE file, const std::wstring& target);

// Marks the open file to be deleted when its last handle closes.
bool deleteOpenFileOnClose(HANDLE file);
