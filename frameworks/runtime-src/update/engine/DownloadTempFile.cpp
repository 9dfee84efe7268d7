#include "update/engine/DownloadTempFile.h"

#include "update/engine/OpenFileActions.h"
#include "update/engine/UpdatePaths.h"

#include <fcntl.h>

DownloadTempFile::DownloadTempFile(const std::string& path, bool append) : path_(win32FilePath(path)) {
    const StreamWithHandle opened =
        openStreamWithDelete(path_, GENERIC_WRITE, append ? OPEN_ALWAYS : CREATE_ALWAYS,
                             _O_BINARY | (append ? _O_APPEND : 0), append ? "ab" : "wb");
    stream_ = opened.stream;
    handle_ = opened.handle;
    deletable_ = opened.deletable;
}

DownloadTempFile::~DownloadTempFile() { close(); }

bool DownloadTempFile::flush() { return stream_ && std::fflush(stream_) == 0; }

bool DownloadTempFile::close() {
    if (!stream_) return true;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    handle_ = nullptr;
    return closed;
}

bool DownloadTempFile::renameAndClose(const std::string& target) {
    const std::wstring wideTarget = win32FilePath(target);
    if (deletable_ && stream_ && renameOpenFile(handle_, wideTarget)) return close();
    // A system that cannot rename an open file: the plain way, closed first.
    close();
    return ::MoveFileExW(path_.c_str(), wideTarget.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

void DownloadTempFile::removeAndClose() {
    const bool markedOpen = deletable_ && stream_ && deleteOpenFileOnClose(handle_);
    close();
    if (!markedOpen) ::DeleteFileW(path_.c_str());
}
