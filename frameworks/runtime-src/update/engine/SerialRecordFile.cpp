#include "update/engine/SerialRecordFile.h"

#include "proj.win32/ScopedHandle.h"
#include "proj.win32/Win32.h"
#include "update/engine/OpenFileActions.h"
#include "update/engine/ResLog.h"
#include "update/engine/UpdatePaths.h"

namespace {

const char kRecordName[] = "LocalResSignSn";
const char kTempName[] = "LocalResSignSn.tmp";

// Another program (a virus scanner, an indexer, a reader of the record) that
// has the record or the temporary file open without sharing deletion keeps
// it from being replaced; it usually lets go within a few milliseconds.
constexpr int kReplaceAttempts = 7;
constexpr DWORD kFirstRetryDelayMs = 10;  // doubled each time: about 0.6 s in all

// The errors of a file held by another program; any other will not go away
// by waiting (a missing folder, a full disk).
bool isHeldByAnother(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED; }

}  // namespace

bool writeSerialRecord(const std::string& resourcesDir, const std::string& text) {
    // The temporary file sits in the small parent folder rather than among the
    // unpacked files: creating a new name in a large folder is slow under wine
    // (it scans the folder for a case-insensitive match).
    std::string parent = resourcesDir.substr(0, resourcesDir.size() - 1);
    parent = parent.substr(0, parent.find_last_of("/\\") + 1);
    const std::wstring temp = win32FilePath(parent + kTempName);
    const std::wstring target = win32FilePath(resourcesDir + kRecordName);

    // With delete access it is renamed while open: one request instead of
    // MoveFileExW's own open, query, rename and close, which made the record
    // the dearest step of a small package under wine. Without it (another
    // program has a leftover temporary file open), the plain way.
    FileWithDelete opened;
    for (int attempt = 0;; ++attempt) {
        opened = openFileWithDelete(temp, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS);
        if (opened.file) break;
        const DWORD error = ::GetLastError();
        if (!isHeldByAnother(error) || attempt + 1 == kReplaceAttempts) {
            resLog("khong tao duoc %s (loi %lu)", kTempName, error);
            return false;
        }
        ::Sleep(kFirstRetryDelayMs << attempt);
    }
    ScopedFileHandle& file = opened.file;
    bool deletable = opened.deletable;

    DWORD written = 0;
    // Flushed before it takes the record's name: after a power cut the file
    // system may otherwise have committed the rename but not the bytes.
    const bool complete = ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                          written == text.size() && ::FlushFileBuffers(file.get());
    DWORD error = complete ? ERROR_SUCCESS : ::GetLastError();
    if (complete) {
        for (int attempt = 0;; ++attempt) {
            if (deletable && renameOpenFile(file.get(), target)) return true;
            if (deletable) {
                error = ::GetLastError();
                if (!isHeldByAnother(error)) {
                    deletable = false;  // a system that cannot rename an open file: closed, then moved
                    file.reset();
                    continue;
                }
            } else {
                file.reset();
                if (::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
                error = ::GetLastError();
            }
            if (!isHeldByAnother(error) || attempt + 1 == kReplaceAttempts) break;
            ::Sleep(kFirstRetryDelayMs << attempt);
        }
    }
    resLog("khong ghi duoc %s (loi %lu), ban ghi cu duoc giu", kRecordName, error);
    if (!(file && deletable && deleteOpenFileOnClose(file.get()))) {
        file.reset();
        ::DeleteFileW(temp.c_str());
    }
    return false;
}
