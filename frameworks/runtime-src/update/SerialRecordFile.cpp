#include "update/SerialRecordFile.h"

#include "proj.win32/ScopedHandle.h"
#include "proj.win32/Win32.h"
#include "update/OpenFileActions.h"
#include "update/UpdatePaths.h"

namespace {

const char kRecordName[] = "LocalResSignSn";
const char kTempName[] = "LocalResSignSn.tmp";

}  // namespace

bool writeSerialRecord(const std::string& resourcesDir, const std::string& text) {
    // The temporary file sits in the small parent folder rather than among the
    // unpacked files: creating a new name in a large folder is slow under wine
    // (it scans the folder for a case-insensitive match).
    std::string parent = resourcesDir.substr(0, resourcesDir.size() - 1);
    parent = parent.substr(0, parent.find_last_of("/\\") + 1);
    const std::wstring temp = win32FilePath(parent + kTempName);
    const std::wstring target = win32FilePath(resourcesDir + kRecordName);

    // Renamed while open: one request instead of MoveFileExW's own open,
    // query, rename and close, which made the record the dearest step of a
    // small package under wine.
    ScopedFileHandle file(::CreateFileW(temp.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    // Flushed before it takes the record's name: after a power cut the file
    // system may otherwise have committed the rename but not the bytes.
    const bool complete = ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                          written == text.size() && ::FlushFileBuffers(file.get());
    if (complete && renameOpenFile(file.get(), target)) return true;
    if (!complete) {
        if (!deleteOpenFileOnClose(file.get())) {
            file.reset();
            ::DeleteFileW(temp.c_str());
        }
        return false;
    }
    // A system that cannot rename an open file: the plain way, closed first.
    file.reset();
    if (::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    ::DeleteFileW(temp.c_str());
    return false;
}
