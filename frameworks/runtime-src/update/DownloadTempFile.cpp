#include "update/DownloadTempFile.h"

#include "proj.win32/ScopedHandle.h"
#include "proj.win32/TextConversion.h"
#include "update/OpenFileActions.h"

#include <fcntl.h>
#include <io.h>

DownloadTempFile::DownloadTempFile(const std::string& path, bool append) : path_(utf8ToWide(path)) {
    // The same sharing as the C runtime's fopen, and deletion on top.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const DWORD disposition = append ? OPEN_ALWAYS : CREATE_ALWAYS;
    ScopedFileHandle file(::CreateFileW(path_.c_str(), GENERIC_WRITE | DELETE, share, nullptr, disposition,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    deletable_ = static_cast<bool>(file);
    if (!deletable_) {
        file.reset(::CreateFileW(path_.c_str(), GENERIC_WRITE, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
    }
    if (!file) return;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file.get()), _O_BINARY | (append ? _O_APPEND : 0));
    if (fd == -1) return;
    HANDLE h = file.release();  // the descriptor owns it now
    stream_ = _fdopen(fd, append ? "ab" : "wb");
    if (!stream_) {
        _close(fd);  // closes the handle too
        return;
    }
    handle_ = h;
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
    const std::wstring wideTarget = utf8ToWide(target);
    if (deletable_ && stream_ && renameOpenFile(handle_, wideTarget)) return close();
    // A system that cannot rename an open file: the plain way, closed first.
    close();
    return ::MoveFileExW(path_.c_str(), wideTarget.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

void DownloadTempFile::removeAndClose() {
    if (deletable_ && stream_ && deleteOpenFileOnClose(handle_)) {
        close();
        return;
    }
    close();
    ::DeleteFileW(path_.c_str());
}
