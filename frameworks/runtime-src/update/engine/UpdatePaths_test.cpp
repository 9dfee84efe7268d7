// The update's files below a folder deeper than the length where plain Win32
// paths fail: every file operation of the update takes the long form there.
// (Wine enforces no such limit; what this shows is that the long form the
// update builds names the same files as the plain one, separators, dots and
// Vietnamese letters included.)
#include "update/engine/UpdatePaths.h"

#include "proj.win32/TextConversion.h"
#include "update/engine/DownloadTempFile.h"
#include "update/engine/Md5.h"
#include "update/engine/SerialRecordFile.h"
#include "update/engine/Unzip.h"
#include "update/engine/UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace updatetest;

namespace {

// A folder more than 300 UTF-16 units below root, made level by level.
std::string deepFolder(const TempFolder& root) {
    std::string path = root.path();
    while (utf8ToWide(path).size() < 300) {
        path += "Th\xc6\xb0 m\xe1\xbb\xa5" "c s\xc3\xa2u " + std::to_string(path.size()) + "/";
        makeDir(path);
    }
    return path;
}

}  // namespace

TEST(UpdatePaths, LongFormOnlyPastTheLimit) {
    const std::string shortPath = "C:/game/data/auc/Resources/LocalResSignSn";
    EXPECT_EQ(win32FilePath(shortPath), utf8ToWide(shortPath));
    TempFolder root("-long");
    const std::wstring deep = win32FilePath(deepFolder(root) + "./x/../p.zip");
    EXPECT_EQ(deep.compare(0, 4, L"\\\\?\\"), 0);
    EXPECT_EQ(deep.find(L'/'), std::wstring::npos);
    EXPECT_EQ(deep.find(L"\\.\\"), std::wstring::npos);
    EXPECT_EQ(deep.find(L"\\..\\"), std::wstring::npos);
    EXPECT_EQ(deep.substr(deep.size() - 6), L"\\p.zip");
}

TEST(UpdatePaths, EveryFileStepWorksBelowADeepFolder) {
    TempFolder root("-long");
    const std::string deep = deepFolder(root);

    // The download's temp: written, renamed to the package's name, another removed.
    const std::string zip = deep + "g\xc3\xb3i.zip";
    std::string bytes;
    {
        TempFolder scratch("-zip");
        bytes = buildZip(scratch / "p.zip", {{"a/", ""}, {"a/b.txt", "bee"}, {"c/d/\xe1\xbb\x87.txt", "eee"}});
    }
    {
        DownloadTempFile temp(zip + ".temp", false);
        ASSERT_TRUE(temp.isOpen());
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), temp.stream()), bytes.size());
        ASSERT_TRUE(temp.flush());
        ASSERT_TRUE(temp.renameAndClose(zip));
    }
    {
        DownloadTempFile other(deep + "other.temp", false);
        ASSERT_TRUE(other.isOpen());
        other.removeAndClose();
    }
    std::string hex;
    ASSERT_TRUE(md5HexOfFile(zip, &hex));
    EXPECT_EQ(hex, md5Hex(bytes.data(), bytes.size()));

    // Unpacked into a folder there, its zip deleted, the record written.
    const std::string resources = deep + "Resources/";
    makeDir(resources);
    UnzipHooks hooks;
    hooks.deleteArchive = [](UnzipEnd end) { return end == UnzipEnd::Extracted; };
    ASSERT_TRUE(unzipFile(zip, resources, hooks));
    ASSERT_TRUE(writeSerialRecord(resources, "vx 7"));

    std::vector<std::string> files = listFiles(deep);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"Resources/LocalResSignSn", "Resources/a/b.txt",
                                               "Resources/c/d/\xe1\xbb\x87.txt"}));
    std::string text;
    ASSERT_TRUE(readFile(resources + "LocalResSignSn", &text));
    EXPECT_EQ(text, "vx 7");
    ASSERT_TRUE(readFile(resources + "c/d/\xe1\xbb\x87.txt", &text));
    EXPECT_EQ(text, "eee");
}
