#include "update/engine/DownloadTempFile.h"

#include "proj.win32/ScopedHandle.h"
#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"
#include "update/engine/UpdateTestSupport.h"

#include <gtest/gtest.h>

using namespace updatetest;

namespace {

void put(DownloadTempFile& file, const std::string& bytes) {
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file.stream()), bytes.size());
}

}  // namespace

TEST(DownloadTempFile, AppendsAfterTheBytesThereOrStartsEmpty) {
    TempFolder root("-temp");
    const std::string path = root / "a.zip.temp";
    writeFile(path, "first part ");
    {
        DownloadTempFile file(path, true);
        ASSERT_TRUE(file.isOpen());
        put(file, "second part");
        EXPECT_TRUE(file.flush());
        EXPECT_TRUE(file.close());
    }
    std::string bytes;
    ASSERT_TRUE(readFile(path, &bytes));
    EXPECT_EQ(bytes, "first part second part");
    {
        DownloadTempFile file(path, false);
        ASSERT_TRUE(file.isOpen());
        put(file, "afresh");
    }  // closed by its owner
    ASSERT_TRUE(readFile(path, &bytes));
    EXPECT_EQ(bytes, "afresh");

    DownloadTempFile missingFolder(root / "no/such/folder.temp", false);
    EXPECT_FALSE(missingFolder.isOpen());
}

TEST(DownloadTempFile, TakesTheFinalNameReplacingAnOlderFile) {
    TempFolder root("-temp");
    const std::string temp = root / "a.zip.temp";
    const std::string final = root / "a.zip";
    writeFile(final, "an older, longer package");
    DownloadTempFile file(temp, false);
    ASSERT_TRUE(file.isOpen());
    put(file, "new");
    ASSERT_TRUE(file.flush());
    ASSERT_TRUE(file.renameAndClose(final));
    EXPECT_FALSE(file.isOpen());
    std::string bytes;
    ASSERT_TRUE(readFile(final, &bytes));
    EXPECT_EQ(bytes, "new");
    EXPECT_EQ(listFiles(root.path()), std::vector<std::string>{"a.zip"});
}

TEST(DownloadTempFile, AFinalNameHeldOpenKeepsBothFilesAsTheyWere) {
    // A reader that does not share deletion: neither the rename through the
    // handle nor the move by name can replace the file.
    TempFolder root("-temp");
    const std::string temp = root / "a.zip.temp";
    const std::string final = root / "a.zip";
    writeFile(final, "held");
    ScopedFileHandle reader(::CreateFileW(utf8ToWide(final).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    DownloadTempFile file(temp, false);
    ASSERT_TRUE(file.isOpen());
    put(file, "downloaded");
    ASSERT_TRUE(file.flush());
    EXPECT_FALSE(file.renameAndClose(final));
    EXPECT_FALSE(file.isOpen());
    reader.reset();
    std::string bytes;
    ASSERT_TRUE(readFile(final, &bytes));
    EXPECT_EQ(bytes, "held");
    ASSERT_TRUE(readFile(temp, &bytes));  // kept for the next attempt
    EXPECT_EQ(bytes, "downloaded");
}

TEST(DownloadTempFile, RemovedThroughItsHandleOrByName) {
    TempFolder root("-temp");
    const std::string temp = root / "a.zip.temp";
    {
        DownloadTempFile file(temp, false);
        ASSERT_TRUE(file.isOpen());
        put(file, "bytes");
        file.removeAndClose();
        EXPECT_FALSE(file.isOpen());
    }
    EXPECT_FALSE(exists(temp));

    // Another reader holds it open, sharing deletion: it is gone once that
    // reader lets go too.
    {
        DownloadTempFile file(temp, false);
        ASSERT_TRUE(file.isOpen());
        ScopedFileHandle reader(::CreateFileW(utf8ToWide(temp).c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(reader);
        put(file, "bytes");
        file.removeAndClose();
    }
    EXPECT_FALSE(exists(temp));
}
