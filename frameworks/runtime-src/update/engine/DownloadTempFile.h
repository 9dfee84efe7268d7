// A package's ".temp" file while its bytes arrive. It is opened with delete
// access where the system grants it, so that the finished file takes its
// final name, or is removed, through the handle it was written with: no
// second open by name after the transfer.
#pragma once

#include "proj.win32/Win32.h"

#include <cstdio>
#include <string>

class DownloadTempFile {
public:
    // path is UTF-8. append: the bytes already there stay and new ones follow
    // them; otherwise the file starts empty. isOpen() tells whether it worked.
    DownloadTempFile(const std::string& path, bool append);
    DownloadTempFile(const DownloadTempFile&) = delete;
    DownloadTempFile& operator=(const DownloadTempFile&) = delete;
    ~DownloadTempFile();

    bool isOpen() const { return stream_ != nullptr; }
    FILE* stream() const { return stream_; }

    // Writes out the stream's buffer; false when some bytes could not be
    // written. Wine's fclose reports success even when its own flush failed,
    // so this is the check that counts.
    bool flush();
    // Closes the file under its own name; false when the close failed.
    bool close();
    // Gives the file the name target (UTF-8 path; a file there is replaced)
    // and closes it. False when it could not be renamed; it is closed then.
    bool renameAndClose(const std::string& target);
    // Removes the file and closes it.
    void removeAndClose();

private:
    std::wstring path_;
    FILE* stream_ = nullptr;
    HANDLE handle_ = nullptr;  // the stream's
    bool deletable_ = false;   // opened with delete access
};
