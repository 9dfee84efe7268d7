#include "update/Unzip.h"

#include "update/UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace updatetest;

namespace {

class UnzipTest : public ::testing::Test {
protected:
    // The package sits beside the destination, so anything that escapes
    // the destination shows up in the root listing.
    bool unpack(const std::vector<ZipEntry>& entries, bool stored = false, const UnzipHooks& hooks = UnzipHooks()) {
        buildZip(root / "pkg.zip", entries, stored);
        return unzipFile(root / "pkg.zip", dest(), hooks);
    }
    std::string dest() const { return root / "dest/"; }
    std::vector<std::string> destFiles() const {
        std::vector<std::string> files = listFiles(dest());
        std::sort(files.begin(), files.end());
        return files;
    }
    std::vector<std::string> outsideDest() const {
        std::vector<std::string> out;
        for (const std::string& f : listFiles(root.path()))
            if (f.rfind("dest/", 0) != 0 && f != "pkg.zip") out.push_back(f);
        return out;
    }
    void SetUp() override { makeDir(dest()); }

    TempFolder root{"-unzip"};
};

}  // namespace

TEST_F(UnzipTest, CreatesFoldersForEntriesWithoutFolderEntries) {
    ASSERT_TRUE(unpack({{"a/", ""}, {"a/b.txt", "bee"}, {"c/d/e.txt", "eee"}, {"top.txt", ""}}));
    EXPECT_EQ(destFiles(), (std::vector<std::string>{"a/b.txt", "c/d/e.txt", "top.txt"}));
    std::string text;
    ASSERT_TRUE(readFile(dest() + "c/d/e.txt", &text));
    EXPECT_EQ(text, "eee");
}

TEST_F(UnzipTest, OverwritesExistingFilesAndAcceptsExistingFolders) {
    makeDir(dest() + "a");
    writeFile(dest() + "a/b.txt", "old and longer");
    writeFile(dest() + "keep.txt", "untouched");
    ASSERT_TRUE(unpack({{"a/", ""}, {"a/b.txt", "new"}}));
    std::string text;
    ASSERT_TRUE(readFile(dest() + "a/b.txt", &text));
    EXPECT_EQ(text, "new");
    EXPECT_TRUE(exists(dest() + "keep.txt"));
}

TEST_F(UnzipTest, FolderEntryNeedsItsParent) {
    EXPECT_FALSE(unpack({{"x/y/", ""}}));
    EXPECT_FALSE(exists(dest() + "x"));
}

TEST_F(UnzipTest, EmptyArchiveSucceeds) {
    int total = -1;
    UnzipHooks hooks;
    hooks.onTotal = [&](int n) { total = n; };
    EXPECT_TRUE(unpack({}, false, hooks));
    EXPECT_EQ(total, 0);
}

TEST_F(UnzipTest, LargeEntryStreamsThroughAndLongNamesAreReadWhole) {
    std::string big(3 * 1024 * 1024 + 5, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 251);
    std::string longName;  // 540 bytes of UTF-8 past any fixed 512-byte buffer, yet 184 UTF-16 units
    for (int i = 0; i < 180; ++i) longName += "\xe1\xbb\x87";
    longName += ".bin";
    ASSERT_TRUE(unpack({{"big.bin", big}, {longName, "tail"}}));
    std::string text;
    ASSERT_TRUE(readFile(dest() + "big.bin", &text));
    EXPECT_TRUE(text == big);
    ASSERT_TRUE(readFile(dest() + longName, &text));
    EXPECT_EQ(text, "tail");
}

TEST_F(UnzipTest, HostileEntryNamesFailWithoutWritingOutside) {
    const char* names[] = {"../evil.txt", "a/../../evil.txt", "a\\..\\..\\evil.txt", "/evil.txt",
                           "\\evil.txt", "C:evil.txt",       "ok.txt:stream",      ""};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(unpack({{"a/", ""}, {name, "evil"}}));
        EXPECT_TRUE(outsideDest().empty());
        removeTree(dest());
        makeDir(dest());
    }
}

TEST_F(UnzipTest, CorruptArchiveAndCrcErrorFail) {
    writeFile(root / "junk.zip", std::string(300, 'j'));
    EXPECT_FALSE(unzipFile(root / "junk.zip", dest(), UnzipHooks()));
    EXPECT_FALSE(unzipFile(root / "missing.zip", dest(), UnzipHooks()));

    // A stored entry whose bytes were changed after its CRC was written.
    const std::string payload = "payload that the CRC no longer matches";
    std::string bytes = buildZip(root / "crc.zip", {{"f.txt", payload}}, true);
    bytes[bytes.find(payload)] ^= 0x20;
    writeFile(root / "crc.zip", bytes);
    EXPECT_FALSE(unzipFile(root / "crc.zip", dest(), UnzipHooks()));
}

TEST_F(UnzipTest, CancelStopsAtTheNextEntry) {
    std::vector<int> seen;
    UnzipHooks hooks;
    hooks.onEntry = [&](int k) {
        seen.push_back(k);
        return k < 2;
    };
    EXPECT_FALSE(unpack({{"0.txt", "0"}, {"1.txt", "1"}, {"2.txt", "2"}, {"3.txt", "3"}}, false, hooks));
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(destFiles(), (std::vector<std::string>{"0.txt", "1.txt"}));
}

TEST(UnzipFolders, WorksBelowANonAsciiFolder) {
    TempFolder root("-H\xe1\xba\xa3i V\xc3\xa2n");
    makeDir(root / "dest");
    buildZip(root / "g\xc3\xb3i.zip", {{"d/\xe1\xbb\x87.txt", "x"}});
    ASSERT_TRUE(unzipFile(root / "g\xc3\xb3i.zip", root / "dest/", UnzipHooks()));
    EXPECT_TRUE(exists(root / "dest/d/\xe1\xbb\x87.txt"));
}
