#include "update/OpenFileActions.h"

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
