#include "update/engine/ResList.h"

#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"
#include "update/engine/SplitString.h"

#include "rapidjson/document.h"

#include <cstdint>
#include <cstdlib>
#include <set>

namespace {

const char kRecordDelimiters[] = " \t\n";
constexpr size_t kParseStackBytes = 1024;

bool isValidItem(const rapidjson::Value& item) {
    if (!item.IsArray() || item.Size() != 4) return false;
    return item[0].IsInt() && item[1].IsString() && item[2].IsString() && item[3].IsInt() &&
           isSafeRelativeName(std::string(item[1].GetString(), item[1].GetStringLength()));
}

// The file a package name lands on in the downloads folder, as Windows sees
// it: "/" and "\\" alike, "." and empty components and trailing dots and
// blanks of a component dropped. Letter case is folded by the comparison
// below. Two items with the same key would share one ".temp" file and one zip.
std::wstring packageFileKey(const std::string& name) {
    std::string key;
    size_t start = 0;
    for (;;) {
        const size_t end = name.find_first_of("/\\", start);
        std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
        if (!part.empty()) {
            if (!key.empty()) key += '/';
            key += part;
        }
        if (end == std::string::npos) return utf8ToWide(key);
        start = end + 1;
    }
}

// Names that NTFS takes for one: the system's ordinal comparison without
// case, which folds each UTF-16 unit as the file system's own table does
// ("Đ" and "đ" too), and neither expands nor normalises anything.
struct SameFileOrder {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
        return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                      TRUE) == CSTR_LESS_THAN;
    }
};

}  // namespace

SerialRecord parseSerialRecord(const std::string& text) {
    std::vector<std::string> tokens;
    splitString(text, kRecordDelimiters, tokens);
    SerialRecord record;
    if (tokens.size() != 2) return record;
    record.wellFormed = true;
    record.sign = tokens[0];
    record.serial = std::atoi(tokens[1].c_str());
    return record;
}

bool isLocalRecordStale(const SerialRecord& local, const std::string& sign, int shippedSerial) {
    if (!local.wellFormed) return true;
    return local.sign != sign || local.serial <= shippedSerial;
}

bool isSafeRelativeName(const std::string& name) {
    if (name.empty()) return false;
    if (name[0] == '/' || name[0] == '\\') return false;
    if (name.find(':') != std::string::npos) return false;  // drive letters and NTFS streams
    if (name.find('\0') != std::string::npos) return false;
    size_t start = 0;
    for (;;) {
        const size_t end = name.find_first_of("/\\", start);
        const std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part == "..") return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

ListResult evaluateResList(const std::string& body, const std::string& sign, int realSerial) {
    ListResult result;
    rapidjson::Document doc(nullptr, kParseStackBytes);
    // As the engine reads a body: up to its first NUL, a BOM is an error.
    // Iterative: the recursive parser runs out of stack on a hostile depth.
    doc.Parse<rapidjson::kParseIterativeFlag>(body.c_str());
    if (doc.HasParseError()) {
        result.verdict = ListVerdict::NotJson;
        result.parseError = static_cast<int>(doc.GetParseError());
        return result;
    }

    result.verdict = ListVerdict::FormatError;
    if (!doc.IsObject()) return result;
    const auto signMember = doc.FindMember("sign");
    if (signMember == doc.MemberEnd() || !signMember->value.IsString()) return result;
    const auto listMember = doc.FindMember("xlist");
    if (listMember == doc.MemberEnd() || !listMember->value.IsArray()) return result;
    const rapidjson::Value& xlist = listMember->value;
    std::set<std::wstring, SameFileOrder> fileKeys;
    for (const auto& item : xlist.GetArray()) {
        if (!isValidItem(item)) return result;
        const std::wstring key = packageFileKey(std::string(item[1].GetString(), item[1].GetStringLength()));
        if (key.empty() || !fileKeys.insert(key).second) return result;  // the same package file twice
    }

    result.remoteSign.assign(signMember->value.GetString(), signMember->value.GetStringLength());
    if (result.remoteSign != sign) {
        result.verdict = ListVerdict::SignDiffers;
        return result;
    }
    if (!xlist.Empty()) {
        result.hasItems = true;
        result.remoteSerial = xlist[xlist.Size() - 1][0].GetInt();
    }
    if (realSerial >= result.remoteSerial) {
        result.verdict = ListVerdict::NothingNewer;
        return result;
    }
    for (const auto& item : xlist.GetArray()) {
        const int sn = item[0].GetInt();
        if (sn <= realSerial) continue;
        const int size = item[3].GetInt();
        result.files.emplace_back(sn, item[1].GetString(), item[2].GetString(), size);
        result.totalBytes += size;
    }
    result.verdict = ListVerdict::Queue;
    return result;
}
