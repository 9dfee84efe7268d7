#include "update/engine/ResList.h"

#include <gtest/gtest.h>

TEST(SerialRecord, TokenRules) {
    struct Case {
        const char* text;
        bool wellFormed;
        const char* sign;
        int serial;
    } cases[] = {
        {"vx 12", true, "vx", 12},
        {"vx\t12\n", true, "vx", 12},          // trailing delimiters give no empty token
        {"vx 12\r\n", true, "vx", 12},         // the CR stays in the token; atoi stops at it
        {"vx\r\n12", true, "vx\r", 12},        // ...and a CR after the sign is part of the sign
        {"vx   \t 7", true, "vx", 7},          // runs of delimiters split like one
        {" vx 12", false, "", 0},              // leading blank: an empty first token, so three
        {"vx", false, "", 0},
        {"vx 1 2", false, "", 0},
        {"", false, "", 0},
        {"vx abc", true, "vx", 0},             // no digits read as 0
        {"vx -3", true, "vx", -3},
    };
    for (const Case& c : cases) {
        const SerialRecord r = parseSerialRecord(c.text);
        EXPECT_EQ(r.wellFormed, c.wellFormed) << c.text;
        if (!c.wellFormed) continue;
        EXPECT_EQ(r.sign, c.sign) << c.text;
        EXPECT_EQ(r.serial, c.serial) << c.text;
    }
}

TEST(SerialRecord, LocalRecordStaleness) {
    struct Case {
        const char* local;
        int shipped;
        bool stale;
    } cases[] = {
        {"vx 5", 4, false}, {"vx 5", 5, true},  // equal to the shipped serial: the app ships newer
        {"vx 5", 6, true},  {"other 9", 1, true}, {"vx", 0, true}, {"vx 5 6", 0, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isLocalRecordStale(parseSerialRecord(c.local), "vx", c.shipped), c.stale) << c.local;
}

TEST(ResList, NameSafety) {
    struct Case {
        const char* name;
        bool safe;
    } cases[] = {
        {"p1.zip", true},       {"sub/p1.zip", true},     {"a..b.zip", true},   {"..zip", true},
        {"", false},            {"../p.zip", false},      {"a/../../p", false}, {"a\\..\\p", false},
        {"..", false},          {"a/..", false},          {"/abs.zip", false},  {"\\abs.zip", false},
        {"C:p.zip", false},     {"p.zip:stream", false},  {"C:\\x\\p", false},
    };
    for (const Case& c : cases) EXPECT_EQ(isSafeRelativeName(c.name), c.safe) << c.name;
}

TEST(ResList, Verdicts) {
    const std::string md5 = "0123456789ABCDEF0123456789ABCDEF";
    // Deeper than a recursive parser's frames fit on the main thread's stack.
    const std::string open(40000, '['), close(40000, ']');
    auto item = [&](int sn, const char* name = "p.zip", int size = 10) {
        return "[" + std::to_string(sn) + ",\"" + name + "\",\"" + md5 + "\"," + std::to_string(size) + "]";
    };
    struct Case {
        std::string body;
        int realSerial;
        ListVerdict verdict;
        int queued;
        int remoteSerial;
    } cases[] = {
        {"", 0, ListVerdict::NotJson, 0, 0},
        {"not json", 0, ListVerdict::NotJson, 0, 0},
        {"[1,2]", 0, ListVerdict::FormatError, 0, 0},                                    // root not an object
        {open, 0, ListVerdict::NotJson, 0, 0},
        {open + close, 0, ListVerdict::FormatError, 0, 0},
        {"{\"sign\":\"vx\",\"xlist\":[" + open + close + "]}", 0, ListVerdict::FormatError, 0, 0},
        {"{\"xlist\":[]}", 0, ListVerdict::FormatError, 0, 0},                           // no sign
        {"{\"sign\":\"vx\"}", 0, ListVerdict::FormatError, 0, 0},                        // no xlist
        {"{\"sign\":\"vx\",\"xlist\":{}}", 0, ListVerdict::FormatError, 0, 0},
        {"{\"sign\":7,\"xlist\":[]}", 0, ListVerdict::FormatError, 0, 0},                // sign not a string
        {"{\"sign\":\"vx\",\"xlist\":[[1,\"p\",\"m\"]]}", 0, ListVerdict::FormatError, 0, 0},  // 3 values
        {"{\"sign\":\"vx\",\"xlist\":[[1,\"p\",\"m\",1,2]]}", 0, ListVerdict::FormatError, 0, 0},
        {"{\"sign\":\"vx\",\"xlist\":[[\"1\",\"p\",\"m\",1]]}", 0, ListVerdict::FormatError, 0, 0},  // serial a string
        {"{\"sign\":\"vx\",\"xlist\":[[1,2,\"m\",1]]}", 0, ListVerdict::FormatError, 0, 0},
        {"{\"sign\":\"vx\",\"xlist\":[[1,\"p\",\"m\",1.5]]}", 0, ListVerdict::FormatError, 0, 0},
        {"{\"sign\":\"vx\",\"xlist\":[" + item(1, "../p.zip") + "]}", 0, ListVerdict::FormatError, 0, 0},
        {"{\"sign\":\"vx\",\"xlist\":[" + item(1, "C:p.zip") + "]}", 0, ListVerdict::FormatError, 0, 0},
        // The same package file twice, however it is spelled, even below the serial.
        {"{\"sign\":\"vx\",\"xlist\":[" + item(1, "p.zip") + "," + item(2, "p.zip") + "]}", 0, ListVerdict::FormatError, 0, 0},
        {"{\"sign\":\"vx\",\"xlist\":[" + item(1, "a/p.zip") + "," + item(2, "A\\\\P.ZIP") + "]}", 0, ListVerdict::FormatError, 0, 0},
        {"{\"sign\":\"vx\",\"xlist\":[" + item(1, "a//./p.zip") + "," + item(2, "a/p.zip. ") + "]}", 9, ListVerdict::FormatError, 0, 0},
        {"{\"sign\":\"vx\",\"xlist\":[" + item(1, "./.") + "]}", 0, ListVerdict::FormatError, 0, 0},  // names no file
        {"{\"sign\":\"vx\",\"xlist\":[" + item(1, "a/p.zip") + "," + item(2, "b/p.zip") + "]}", 0, ListVerdict::Queue, 2, 2},
        {"{\"sign\":\"vy\",\"xlist\":[" + item(9) + "]}", 0, ListVerdict::SignDiffers, 0, 0},
        {"{\"sign\":\"vx\",\"xlist\":[]}", 0, ListVerdict::NothingNewer, 0, 0},
        {"{\"sign\":\"vx\",\"xlist\":[" + item(5, "p5.zip") + "," + item(3, "p3.zip") + "]}", 4, ListVerdict::NothingNewer, 0, 3},
        {"{\"sign\":\"vx\",\"xlist\":[" + item(3, "p3.zip") + "," + item(5, "p5.zip") + "]}", 4, ListVerdict::Queue, 1, 5},
        {"{\"sign\":\"vx\",\"xlist\":[" + item(1, "p1.zip") + "," + item(2, "p2.zip") + "," + item(3, "p3.zip") + "]}", 0,
         ListVerdict::Queue, 3, 3},
        {"{\"sign\":\"vx\",\"xlist\":[" + item(6, "p6.zip") + "," + item(2, "p2.zip") + "," + item(7, "p7.zip") + "]}", 5,
         ListVerdict::Queue, 2, 7},
    };
    for (const Case& c : cases) {
        const ListResult r = evaluateResList(c.body, "vx", c.realSerial);
        EXPECT_EQ(r.verdict, c.verdict) << c.body;
        EXPECT_EQ(static_cast<int>(r.files.size()), c.queued) << c.body;
        if (c.verdict == ListVerdict::Queue || c.verdict == ListVerdict::NothingNewer) {
            EXPECT_EQ(r.remoteSerial, c.remoteSerial) << c.body;
        }
    }
}

TEST(ResList, QueueKeepsListOrderAndSumsSizes) {
    const ListResult r = evaluateResList(
        "{\"sign\":\"vx\",\"xlist\":[[2,\"b.zip\",\"M2\",200],[1,\"a.zip\",\"M1\",100],[3,\"c.zip\",\"m3\",300]]}", "vx", 1);
    ASSERT_EQ(r.verdict, ListVerdict::Queue);
    ASSERT_EQ(r.files.size(), 2u);
    EXPECT_EQ(r.files[0].sn, 2);
    EXPECT_EQ(r.files[0].name, "b.zip");
    EXPECT_EQ(r.files[0].md5, "M2");
    EXPECT_EQ(r.files[1].name, "c.zip");
    EXPECT_EQ(r.files[1].md5, "m3");  // kept as given: a lower-case MD5 later never matches
    EXPECT_EQ(r.totalBytes, 500);
}

// The sizes of the queue add up past what 32 bits hold (no data is needed
// for the sum: the list's sizes are never compared with the files).
TEST(ResList, TotalPastFourGiBIsKeptWhole) {
    const ListResult r = evaluateResList("{\"sign\":\"vx\",\"xlist\":[[1,\"a.zip\",\"M1\",2000000000],"
                                         "[2,\"b.zip\",\"M2\",2147483647],[3,\"c.zip\",\"M3\",1500000000]]}",
                                         "vx", 0);
    ASSERT_EQ(r.verdict, ListVerdict::Queue);
    ASSERT_EQ(r.files.size(), 3u);
    EXPECT_EQ(r.totalBytes, 5647483647LL);
}

TEST(ResList, ParseErrorCodeIsTheLibrarys) {
    EXPECT_EQ(evaluateResList("", "vx", 0).parseError, 1);          // document empty
    EXPECT_EQ(evaluateResList("{} {}", "vx", 0).parseError, 2);     // root not singular
    EXPECT_EQ(evaluateResList("\xEF\xBB\xBF{}", "vx", 0).parseError, 3);  // a BOM is an invalid value
}

// Two items whose names NTFS takes for one file would share one ".temp" and
// one zip: the names are compared as the file system folds them, letter by
// letter over all of Unicode (Vietnamese capitals included), without
// expanding or normalising anything.
TEST(ResList, PackageNamesFoldAsTheFileSystemFoldsThem) {
    const std::string md5 = "0123456789ABCDEF0123456789ABCDEF";
    auto list = [&](const std::string& first, const std::string& second) {
        return "{\"sign\":\"vx\",\"xlist\":[[1,\"" + first + "\",\"" + md5 + "\",10],[2,\"" + second + "\",\"" + md5 +
               "\",10]]}";
    };
    struct Case {
        const char* what;
        std::string first, second;
        bool sameFile;
    } cases[] = {
        {"Latin letters", "Pkg.zip", "pKG.ZIP", true},
        {"d with stroke", "\xc4\x91\xe1\xbb\x93.zip", "\xc4\x90\xe1\xbb\x92.zip", true},        // đồ / ĐỒ
        {"letters with tone marks", "h\xe1\xbb\x8d" "a/\xe1\xba\xa3.zip", "H\xe1\xbb\x8c" "A/\xe1\xba\xa2.zip",
         true},                                                                                  // họa/ả / HỌA/Ả
        {"horned letters", "\xc6\xb0\xc6\xa1.zip", "\xc6\xaf\xc6\xa0.zip", true},                // ươ / ƯƠ
        {"sharp s is not expanded", "\xc3\x9f.zip", "SS.zip", false},
        {"no normalisation", "\xc3\xa9.zip", "e\xcc\x81.zip", false},                           // é / e + accent
        {"other letters", "\xc4\x91.zip", "d.zip", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ListResult r = evaluateResList(list(c.first, c.second), "vx", 0);
        EXPECT_EQ(r.verdict, c.sameFile ? ListVerdict::FormatError : ListVerdict::Queue);
    }
}
