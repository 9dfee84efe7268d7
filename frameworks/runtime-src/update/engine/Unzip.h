// Extraction of one downloaded package into the resources folder, with
// minizip. Runs on the unpacking thread.
//
// Every entry name is checked before anything is written: an empty or
// absolute name, a drive or stream colon, or a ".." component fails the
// package, so nothing lands outside the destination folder. Names are read
// with their real length. A failed write, flush or close of an extracted file
// and a CRC error fail the package too.
#pragma once

#include <functional>
#include <string>

// How an extraction ended.
enum class UnzipEnd {
    Extracted,    // every entry is out
    Stopped,      // onEntry answered false
    BadArchive,   // the archive cannot be read, or holds an unsafe or damaged entry
    WriteFailed,  // a folder or file of the destination could not be made or written in full
};

struct UnzipHooks {
    // The number of entries, once the archive's global information is read.
    std::function<void(int entriesTotal)> onTotal;
    // At the start of entry k (from 0); false means cancelled: stop at once.
    std::function<bool(int k)> onEntry;
    // Once, as the archive is closed, with how the extraction ended; true
    // deletes the archive. It is deleted through the handle it was read with
    // where the system allows, which spares opening it again by name.
    std::function<bool(UnzipEnd end)> deleteArchive;
};

// zipPath and destDir are UTF-8; destDir ends with '/'. True when every entry
// was extracted. Folder entries ("x/") create one folder whose parent must
// exist; file entries create their missing parent folders ("/" separates).
// Existing files are overwritten; nothing else in destDir is touched.
bool unzipFile(const std::string& zipPath, const std::string& destDir, const UnzipHooks& hooks);
