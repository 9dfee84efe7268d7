#include "update/SerialRecordFile.h"

#include "proj.win32/ScopedHandle.h"
#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"
#include "update/UpdateTestSupport.h"

#include <gtest/gtest.h>

using namespace updatetest;

TEST(SerialRecordFile, ReplacesTheRecordWholeAndLeavesNoTemporaryFile) {
    TempFolder root("-record");
    makeDir(root / "auc");
    makeDir(root / "auc/Resources");
    const std::string resources = root / "auc/Resources/";
    for (const char* text : {"vx 1", "vx 12", "vx 3"}) {  // the last is shorter: no tail of the one before
        SCOPED_TRACE(text);
        ASSERT_TRUE(writeSerialRecord(resources, text));
        std::string record;
        ASSERT_TRUE(readFile(resources + "LocalResSignSn", &record));
        EXPECT_EQ(record, text);
        EXPECT_EQ(listFiles(root.path()), std::vector<std::string>{"auc/Resources/LocalResSignSn"});
    }
}

TEST(SerialRecordFile, FailuresKeepTheOlderRecordAndLeaveNothingBehind) {
    TempFolder root("-record");
    makeDir(root / "auc");
    EXPECT_FALSE(writeSerialRecord(root / "auc/Resources/", "vx 2"));  // no resources folder
    EXPECT_TRUE(listFiles(root.path()).empty());
    EXPECT_FALSE(writeSerialRecord(root / "missing/Resources/", "vx 2"));  // no parent for the temporary file
    EXPECT_TRUE(listFiles(root.path()).empty());

    // The record is held open by a reader that does not share deletion: it
    // cannot be replaced, and it stays as it was.
    makeDir(root / "auc/Resources");
    const std::string resources = root / "auc/Resources/";
    ASSERT_TRUE(writeSerialRecord(resources, "vx 1"));
    {
        ScopedFileHandle reader(::CreateFileW(utf8ToWide(resources + "LocalResSignSn").c_str(), GENERIC_READ,
                                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(reader);
        EXPECT_FALSE(writeSerialRecord(resources, "vx 2"));
    }
    std::string record;
    ASSERT_TRUE(readFile(resources + "LocalResSignSn", &record));
    EXPECT_EQ(record, "vx 1");
    EXPECT_EQ(listFiles(root.path()), std::vector<std::string>{"auc/Resources/LocalResSignSn"});
}
