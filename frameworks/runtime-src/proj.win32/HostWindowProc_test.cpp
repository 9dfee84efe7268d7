#include "proj.win32/HostWindowProc.h"

#include <gtest/gtest.h>

TEST(CopyDataText, ReadsWithinTheCopiedBytesUpToTheFirstNul) {
    char withNul[] = {'a', 'b', 'c', '\0', 'x'};
    char withoutNul[] = {'a', 'b', 'c'};  // nothing readable lies past these three bytes
    char empty[] = {'\0'};
    const struct {
        void* data;
        DWORD size;
        const char* text;
    } cases[] = {
        {withNul, sizeof withNul, "abc"},
        {withoutNul, sizeof withoutNul, "abc"},
        {withoutNul, 2, "ab"},
        {empty, sizeof empty, ""},
        {nullptr, 8, ""},
        {withNul, 0, ""},
    };
    for (const auto& c : cases) {
        COPYDATASTRUCT data = {};
        data.dwData = kCopyDataDebugLogLine;
        data.cbData = c.size;
        data.lpData = c.data;
        EXPECT_EQ(copyDataText(data), c.text) << "size " << c.size;
    }
}
