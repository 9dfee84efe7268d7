#include "update/engine/Unzip.h"

#include "proj.win32/Win32.h"
#include "update/engine/OpenFileActions.h"
#include "update/engine/ResList.h"
#include "update/engine/ResLog.h"
#include "update/engine/UpdatePaths.h"

#include "unzip.h"

#include <fcntl.h>

#include <cstdio>
#include <memory>
#include <set>
#include <vector>

namespace {

constexpr size_t kCopyBufferBytes = 8192;  // an entry is streamed, never held whole

struct ZipCloser {
    void operator()(void* zip) const { unzClose(static_cast<unzFile>(zip)); }
};
using ScopedZip = std::unique_ptr<void, ZipCloser>;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

// The open entry of the archive; unzCloseCurrentFile reports the CRC verdict,
// so the normal path closes it explicitly and reads the result.
class CurrentEntry {
public:
    explicit CurrentEntry(unzFile zip) : zip_(zip) {}
    CurrentEntry(const CurrentEntry&) = delete;
    CurrentEntry& operator=(const CurrentEntry&) = delete;
    ~CurrentEntry() {
        if (open_) unzCloseCurrentFile(zip_);  // an error path: the package fails anyway
    }
    bool open() { return open_ = (unzOpenCurrentFile(zip_) == UNZ_OK); }
    int close() {
        open_ = false;
        return unzCloseCurrentFile(zip_);
    }

private:
    unzFile zip_;
    bool open_ = false;
};

// CreateDirectoryW that counts an existing folder as success. A folder
// entry's trailing "/" is dropped: the long form would keep it in the name.
bool makeFolder(std::string path) {
    if (!path.empty() && path.back() == '/') path.pop_back();
    if (::CreateDirectoryW(win32FilePath(path).c_str(), nullptr)) return true;
    return ::GetLastError() == ERROR_ALREADY_EXISTS;
}

bool readEntryName(unzFile zip, std::string* name) {
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    std::vector<char> buffer(static_cast<size_t>(info.size_filename) + 1, '\0');
    if (unzGetCurrentFileInfo64(zip, &info, buffer.data(), static_cast<uLong>(buffer.size()), nullptr, 0, nullptr,
                                0) != UNZ_OK) {
        return false;
    }
    name->assign(buffer.data(), static_cast<size_t>(info.size_filename));
    return true;
}

// Parent folders of a file entry, left to right; `made` remembers the folders
// of this archive that exist already.
bool makeParents(const std::string& destDir, const std::string& name, std::set<std::string>& made) {
    for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1)) {
        const std::string folder = destDir + name.substr(0, slash);
        if (made.count(folder)) continue;
        if (!makeFolder(folder)) {
            resLog("can not create directory %s", folder.c_str());
            return false;
        }
        made.insert(folder);
    }
    return true;
}

UnzipEnd extractEntry(unzFile zip, const std::string& name, const std::string& fullPath) {
    CurrentEntry entry(zip);
    if (!entry.open()) {
        resLog("can not open file %s", name.c_str());
        return UnzipEnd::BadArchive;
    }
    std::unique_ptr<FILE, FileCloser> out(openFileUtf8(fullPath, L"wb"));
    if (!out) {
        resLog("can not open destination file %s", fullPath.c_str());
        return UnzipEnd::WriteFailed;
    }
    std::unique_ptr<char[]> buffer(new char[kCopyBufferBytes]);
    for (;;) {
        const int n = unzReadCurrentFile(zip, buffer.get(), kCopyBufferBytes);
        if (n < 0) {
            out.reset();  // the partly written file stays; the package fails
            resLog("can not read zip file %s, error code is %d", name.c_str(), n);
            return UnzipEnd::BadArchive;
        }
        if (n == 0) break;
        if (std::fwrite(buffer.get(), 1, static_cast<size_t>(n), out.get()) != static_cast<size_t>(n)) {
            resLog("can not write destination file %s", fullPath.c_str());
            return UnzipEnd::WriteFailed;
        }
    }
    // The stream still holds the tail (all of a small file). Wine's fclose
    // reports success even when its own flush of it failed, so the flush is
    // asked for first and checked on its own.
    FILE* f = out.release();
    const bool flushed = std::fflush(f) == 0;
    const bool closed = std::fclose(f) == 0;
    if (!flushed || !closed) {
        resLog("can not write destination file %s", fullPath.c_str());
        return UnzipEnd::WriteFailed;
    }
    if (entry.close() != UNZ_OK) {  // UNZ_CRCERROR: the bytes written are not the bytes packed
        resLog("crc error in zip file %s", name.c_str());
        return UnzipEnd::BadArchive;
    }
    return UnzipEnd::Extracted;
}

// The archive's file: opened here with the wide-character call (any install
// folder works) and, where the system grants it, with delete access, so a
// finished package is deleted through this handle rather than by opening it
// again by name (each open by name costs a round trip to wine's server, which
// resolves the whole path again). minizip owns the stream once it has it and
// closes it through streamClose, also when it fails to open the archive.
class ArchiveFile {
public:
    explicit ArchiveFile(const std::wstring& path) {
        const StreamWithHandle opened =
            openStreamWithDelete(path, GENERIC_READ, OPEN_EXISTING, _O_RDONLY | _O_BINARY, "rb");
        stream_ = opened.stream;
        handle_ = opened.handle;
        deletable_ = opened.deletable;
    }
    ArchiveFile(const ArchiveFile&) = delete;
    ArchiveFile& operator=(const ArchiveFile&) = delete;
    ~ArchiveFile() {
        if (stream_) std::fclose(stream_);  // minizip never took it
    }

    // For minizip's open callback: hands the stream over.
    FILE* take() {
        FILE* f = stream_;
        stream_ = nullptr;
        return f;
    }
    // For minizip's close callback.
    int close(FILE* f) {
        handle_ = nullptr;
        return std::fclose(f);
    }
    // Marks the still open file for deletion at its close; false when that
    // cannot be done and the caller must delete it by name afterwards.
    bool deleteOnClose() {
        if (!deletable_ || !handle_) return false;
        return deleteOpenFileOnClose(handle_);
    }

private:
    FILE* stream_ = nullptr;
    HANDLE handle_ = nullptr;  // the stream's, while it is open
    bool deletable_ = false;
};

// minizip reads an archive in many tiny pieces (each header field on its
// own); its Win32 functions make each one a system call, which doubled the
// time of a package of many small files. These read through the C runtime's
// buffered stream of the ArchiveFile instead.
voidpf ZCALLBACK archiveOpen(voidpf opaque, const void*, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;  // read only
    return static_cast<ArchiveFile*>(opaque)->take();
}
uLong ZCALLBACK streamRead(voidpf, voidpf stream, void* buf, uLong size) {
    return static_cast<uLong>(std::fread(buf, 1, size, static_cast<FILE*>(stream)));
}
uLong ZCALLBACK streamWrite(voidpf, voidpf, const void*, uLong) { return 0; }
ZPOS64_T ZCALLBACK streamTell(voidpf, voidpf stream) {
    return static_cast<ZPOS64_T>(_ftelli64(static_cast<FILE*>(stream)));
}
long ZCALLBACK streamSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    const int whence = origin == ZLIB_FILEFUNC_SEEK_CUR ? SEEK_CUR : origin == ZLIB_FILEFUNC_SEEK_END ? SEEK_END : SEEK_SET;
    return _fseeki64(static_cast<FILE*>(stream), static_cast<__int64>(offset), whence) == 0 ? 0 : -1;
}
int ZCALLBACK streamClose(voidpf opaque, voidpf stream) {
    return static_cast<ArchiveFile*>(opaque)->close(static_cast<FILE*>(stream));
}
int ZCALLBACK streamError(voidpf, voidpf stream) { return std::ferror(static_cast<FILE*>(stream)); }

zlib_filefunc64_def archiveFunctions(ArchiveFile* archive) {
    zlib_filefunc64_def f;
    f.zopen64_file = archiveOpen;
    f.zread_file = streamRead;
    f.zwrite_file = streamWrite;
    f.ztell64_file = streamTell;
    f.zseek64_file = streamSeek;
    f.zclose_file = streamClose;
    f.zerror_file = streamError;
    f.opaque = archive;
    return f;
}

// minizip's search for the end record never looks at offset 0, so it cannot
// open the smallest archive there is: an end record alone (no entries, no
// comment, 22 bytes). That archive is valid and holds nothing.
bool isBareEmptyArchive(const std::string& zipPath) {
    std::unique_ptr<FILE, FileCloser> f(openFileUtf8(zipPath, L"rb"));
    if (!f) return false;
    unsigned char record[23];
    const size_t n = std::fread(record, 1, sizeof record, f.get());
    if (n != 22) return false;
    const bool signature = record[0] == 'P' && record[1] == 'K' && record[2] == 5 && record[3] == 6;
    const bool noEntries = record[8] == 0 && record[9] == 0 && record[10] == 0 && record[11] == 0;
    return signature && noEntries;
}

// Every entry of the open archive, in order, into destDir.
UnzipEnd extractAll(unzFile z, const std::string& zipPath, const std::string& destDir, const UnzipHooks& hooks) {
    unz_global_info64 global;
    if (unzGetGlobalInfo64(z, &global) != UNZ_OK) {
        resLog("can not read file global info of %s", zipPath.c_str());
        return UnzipEnd::BadArchive;
    }
    const int total = static_cast<int>(global.number_entry);
    if (hooks.onTotal) hooks.onTotal(total);

    std::set<std::string> made;
    for (int k = 0; k < total; ++k) {
        if (hooks.onEntry && !hooks.onEntry(k)) return UnzipEnd::Stopped;
        std::string name;
        if (!readEntryName(z, &name)) {
            resLog("can not read file info");
            return UnzipEnd::BadArchive;
        }
        if (!isSafeRelativeName(name)) {
            resLog("can not extract unsafe entry name '%s'", name.c_str());
            return UnzipEnd::BadArchive;
        }
        const std::string fullPath = destDir + name;
        if (name.back() == '/') {
            if (!makeFolder(fullPath)) {
                resLog("can not create directory %s", fullPath.c_str());
                return UnzipEnd::WriteFailed;
            }
            made.insert(fullPath.substr(0, fullPath.size() - 1));
        } else {
            if (!makeParents(destDir, name, made)) return UnzipEnd::WriteFailed;
            const UnzipEnd end = extractEntry(z, name, fullPath);
            if (end != UnzipEnd::Extracted) return end;
        }
        if (k + 1 < total && unzGoToNextFile(z) != UNZ_OK) {
            resLog("can not read next file");
            return UnzipEnd::BadArchive;
        }
    }
    return UnzipEnd::Extracted;
}

}  // namespace

bool unzipFile(const std::string& zipPath, const std::string& destDir, const UnzipHooks& hooks) {
    const std::wstring widePath = win32FilePath(zipPath);
    ArchiveFile archive(widePath);  // outlives the minizip handle, which closes through it
    zlib_filefunc64_def functions = archiveFunctions(&archive);
    ScopedZip zip(unzOpen2_64(widePath.c_str(), &functions));
    UnzipEnd end = UnzipEnd::BadArchive;
    if (zip) {
        end = extractAll(static_cast<unzFile>(zip.get()), zipPath, destDir, hooks);
    } else if (isBareEmptyArchive(zipPath)) {
        if (hooks.onTotal) hooks.onTotal(0);
        end = UnzipEnd::Extracted;
    } else {
        resLog("can not open downloaded zip file %s", zipPath.c_str());
    }
    const bool remove = hooks.deleteArchive && hooks.deleteArchive(end);
    const bool removedOnClose = remove && zip && archive.deleteOnClose();
    zip.reset();
    if (remove && !removedOnClose) ::DeleteFileW(widePath.c_str());  // result ignored: a leftover zip is only reused or replaced
    return end == UnzipEnd::Extracted;
}
