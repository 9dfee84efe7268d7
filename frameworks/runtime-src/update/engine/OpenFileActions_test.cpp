// Renaming and deleting through an open handle, each on its own: the callers
// fall back to the plain calls when these fail, which would hide a failure.
#include "update/engine/OpenFileActions.h"

#include "proj.win32/TextConversion.h"
#include "update/engine/UpdatePaths.h"
#include "update/engine/UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <string>

using namespace updatetest;

namespace {

FileWithDelete createWith(const std::string& path, const std::string& bytes) {
    FileWithDelete f = openFileWithDelete(win32FilePath(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          CREATE_ALWAYS);
    DWORD written = 0;
    if (f.file) ::WriteFile(f.file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return f;
}

}  // namespace

TEST(OpenFileActions, RenameThroughTheOpenHandle) {
    TempFolder root("-handle");
    struct Case {
        const char* what;
        std::string from, to;
        const char* olderTarget;  // null: none
    } cases[] = {
        {"new name", root / "a.tmp", root / "a", nullptr},
        {"replacing a file", root / "b.tmp", root / "b", "an older, longer file"},
        {"long form of the target", root / "c.tmp", root / "c", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.olderTarget) writeFile(c.to, c.olderTarget);
        FileWithDelete f = createWith(c.from, "new");
        ASSERT_TRUE(f.file);
        ASSERT_TRUE(f.deletable);
        std::wstring target = win32FilePath(c.to);
        if (std::string(c.what) == "long form of the target") {  // as the update passes a deep path
            for (wchar_t& ch : target)
                if (ch == L'/') ch = L'\\';
            target = L"\\\\?\\" + target;
        }
        ASSERT_TRUE(renameOpenFile(f.file.get(), target)) << ::GetLastError();
        // Done while the handle is open: no close and move by name after it.
        EXPECT_TRUE(exists(c.to));
        EXPECT_FALSE(exists(c.from));
        ::SetFilePointer(f.file.get(), 0, nullptr, FILE_END);
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(f.file.get(), "er", 2, &written, nullptr));  // still the same file
        f.file.reset();
        std::string bytes;
        ASSERT_TRUE(readFile(c.to, &bytes));
        EXPECT_EQ(bytes, "newer");
    }
}

TEST(OpenFileActions, DeleteThroughTheOpenHandle) {
    TempFolder root("-handle");
    FileWithDelete f = createWith(root / "gone.tmp", "bytes");
    ASSERT_TRUE(f.deletable);
    ASSERT_TRUE(deleteOpenFileOnClose(f.file.get())) << ::GetLastError();
    f.file.reset();
    EXPECT_FALSE(exists(root / "gone.tmp"));
    EXPECT_TRUE(listFiles(root.path()).empty());
}

TEST(OpenFileActions, DeleteAccessOnlyWhereGranted) {
    TempFolder root("-handle");
    const std::string path = root / "held.zip";
    writeFile(path, "zip");
    {
        StreamWithHandle s = openStreamWithDelete(win32FilePath(path), GENERIC_READ, OPEN_EXISTING,
                                                  _O_RDONLY | _O_BINARY, "rb");
        ASSERT_TRUE(s.stream);
        EXPECT_TRUE(s.deletable);
        std::fclose(s.stream);
    }
    // Another program holds it without sharing deletion: opened all the same, without it.
    FileWithDelete holder = openFileWithDelete(win32FilePath(path), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_TRUE(holder.file);
    StreamWithHandle s =
        openStreamWithDelete(win32FilePath(path), GENERIC_READ, OPEN_EXISTING, _O_RDONLY | _O_BINARY, "rb");
    ASSERT_TRUE(s.stream);
    EXPECT_FALSE(s.deletable);
    char buffer[8] = {};
    EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, s.stream), 3u);
    std::fclose(s.stream);
}
