// The rules of the serial records and the resource list, without any I/O:
// what the update engine decides from the texts it has read. Any thread.
#pragma once

#include "update/engine/FileEntry.h"

#include <cstdint>
#include <string>
#include <vector>

// A serial record ("vexa/ResSignSn" or "LocalResSignSn"): the sign and the
// decimal serial, separated by blanks, tabs or line feeds. A carriage return
// is no separator: it stays at the end of its token (atoi ignores it).
struct SerialRecord {
    bool wellFormed = false;  // exactly two tokens
    std::string sign;
    int serial = 0;
};
SerialRecord parseSerialRecord(const std::string& text);

// The local record is stale (and both caches are wiped) when it is malformed,
// names another sign, or is not above the shipped serial.
bool isLocalRecordStale(const SerialRecord& local, const std::string& sign, int shippedSerial);

// A name that stays inside the folder it is joined to: not empty, not
// absolute, no drive or stream colon, no ".." component ("/" and "\" both
// separate).
bool isSafeRelativeName(const std::string& name);

enum class ListVerdict {
    Queue,         // files holds the packages newer than realSerial (maybe none)
    NotJson,       // parseError holds the JSON library's code
    FormatError,   // missing member, wrong type, item not of 4 values, unsafe or repeated name
    SignDiffers,
    NothingNewer,
};

struct ListResult {
    ListVerdict verdict = ListVerdict::FormatError;
    int parseError = 0;
    std::string remoteSign;
    bool hasItems = false;
    int remoteSerial = 0;  // serial of the last item; 0 for an empty list
    std::vector<FileEntry> files;
    int64_t totalBytes = 0;  // 64-bit: many packages add up past 4 GiB
};

ListResult evaluateResList(const std::string& body, const std::string& sign, int realSerial);
