#include "update/engine/OpenFileActions.h"

#include <fcntl.h>
#include <io.h>

#include <cstddef>
#include <cstring>
#include <vector>

bool renameOpenFile(HANDLE file, const std::wstring& target) {
    const size_t nameBytes = target.size() * sizeof(wchar_t);
    const size_t size = offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t);
    std::vector<unsigned long long> storage((size + sizeof(unsigned long long) - 1) / sizeof(unsigned long long));
    FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(storage.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(info->FileName, target.c_str(), nameBytes + sizeof(wchar_t));
    return ::SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(size)) != FALSE;
}

bool deleteOpenFileOnClose(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

FileWithDelete openFileWithDelete(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
    FileWithDelete out;
    out.file.reset(
        ::CreateFileW(path.c_str(), access | DELETE, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    out.deletable = static_cast<bool>(out.file);
    if (!out.deletable) {
        out.file.reset(::CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    return out;
}

StreamWithHandle openStreamWithDelete(const std::wstring& path, DWORD access, DWORD disposition, int fdFlags,
                                      const char* mode) {
    StreamWithHandle out;
    FileWithDelete opened =
        openFileWithDelete(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, disposition);
    ScopedFileHandle& file = opened.file;
    const bool deletable = opened.deletable;
    if (!file) return out;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file.get()), fdFlags);
    if (fd == -1) return out;
    HANDLE h = file.release();  // the descriptor owns it now
    FILE* stream = _fdopen(fd, mode);
    if (!stream) {
        _close(fd);  // closes the handle too
        return out;
    }
    out.stream = stream;
    out.handle = h;
    out.deletable = deletable;
    return out;
}
