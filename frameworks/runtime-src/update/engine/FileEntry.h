// One package of the resource list: serial, file name, MD5 (upper-case hex) and
// the size the list states. A plain value; copied freely between threads.
#pragma once

#include <string>

struct FileEntry {
    FileEntry(int sn, const char* name, const char* md5, int size) : sn(sn), name(name), md5(md5), size(size) {}

    int sn;
    std::string name;  // relative to the base URL and to the downloads folder
    std::string md5;   // compared byte for byte with the digest of the file
    int size;          // for totals and progress only; never compared with the file
};
