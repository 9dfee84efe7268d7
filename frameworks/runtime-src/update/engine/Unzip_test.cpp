#include "update/engine/Unzip.h"

#include "proj.win32/ScopedHandle.h"
#include "proj.win32/TextConversion.h"
#include "update/engine/UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

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

// The hook is asked once, with the outcome, on every road out of unzipFile,
// and its answer alone decides whether the zip is left on disk.
TEST_F(UnzipTest, DeleteArchiveHookDecidesWhetherTheZipStays) {
    const std::string crcPayload = "payload that the CRC no longer matches";
    struct Case {
        const char* what;
        std::function<void(const std::string& zip)> make;
        bool cancelAtSecondEntry;
        bool answer;
        UnzipEnd end;
    };
    const std::string destination = dest();
    const std::vector<Case> cases = {
        {"extracted, delete", [](const std::string& z) { buildZip(z, {{"a.txt", "a"}, {"b/c.txt", "c"}}); }, false,
         true, UnzipEnd::Extracted},
        {"extracted, keep", [](const std::string& z) { buildZip(z, {{"a.txt", "a"}}); }, false, false,
         UnzipEnd::Extracted},
        {"no entries, delete", [](const std::string& z) { buildZip(z, {}); }, false, true, UnzipEnd::Extracted},
        {"cancelled, keep", [](const std::string& z) { buildZip(z, {{"a.txt", "a"}, {"b.txt", "b"}}); }, true, false,
         UnzipEnd::Stopped},
        {"not a zip, delete", [](const std::string& z) { writeFile(z, std::string(300, 'j')); }, false, true,
         UnzipEnd::BadArchive},
        {"crc error, delete",
         [&](const std::string& z) {
             std::string bytes = buildZip(z, {{"f.txt", crcPayload}}, true);
             bytes[bytes.find(crcPayload)] ^= 0x20;
             writeFile(z, bytes);
         },
         false, true, UnzipEnd::BadArchive},
        {"hostile name, delete", [](const std::string& z) { buildZip(z, {{"../evil.txt", "x"}}); }, false, true,
         UnzipEnd::BadArchive},
        {"folder entry without its parent, keep", [](const std::string& z) { buildZip(z, {{"x/y/", ""}}); }, false,
         false, UnzipEnd::WriteFailed},
        {"destination taken by a folder, keep",
         [&](const std::string& z) {
             makeDir(destination + "a.txt");
             buildZip(z, {{"a.txt", "a"}});
         },
         false, false, UnzipEnd::WriteFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string zip = root / "pkg.zip";
        c.make(zip);
        std::vector<UnzipEnd> asked;
        UnzipHooks hooks;
        hooks.onEntry = [&](int k) { return !(c.cancelAtSecondEntry && k == 1); };
        hooks.deleteArchive = [&](UnzipEnd end) {
            asked.push_back(end);
            return c.answer;
        };
        EXPECT_EQ(unzipFile(zip, dest(), hooks), c.end == UnzipEnd::Extracted);
        EXPECT_EQ(asked, std::vector<UnzipEnd>{c.end});
        EXPECT_EQ(exists(zip), !c.answer);
        EXPECT_TRUE(outsideDest().empty());
        removeTree(zip);
        removeTree(dest());
        makeDir(dest());
    }
}

TEST_F(UnzipTest, ArchiveHeldOpenByAnotherReaderStillUnpacks) {
    // A reader that does not share deletion (a scanner, say) keeps the zip
    // from being opened with delete access: it is read without, and the
    // deletion that cannot happen leaves the zip, not a failed package.
    const std::string zip = root / "pkg.zip";
    buildZip(zip, {{"a.txt", "a"}, {"b/c.txt", "c"}});
    ScopedFileHandle holder(::CreateFileW(utf8ToWide(zip).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    int asked = 0;
    UnzipHooks hooks;
    hooks.deleteArchive = [&](UnzipEnd end) {
        ++asked;
        return end == UnzipEnd::Extracted;
    };
    EXPECT_TRUE(unzipFile(zip, dest(), hooks));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(destFiles(), (std::vector<std::string>{"a.txt", "b/c.txt"}));
    EXPECT_TRUE(exists(zip));
}
