// Data owns its bytes: copies are deep, moves and takeBuffer hand ownership over.
#include "base/CCData.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using cocos2d::Data;

namespace {

TEST(Data, CopiesAreDeepAndSelfCopyIsSafe) {
    const unsigned char bytes[] = {1, 0, 2, 0xff};
    Data a;
    EXPECT_TRUE(a.isNull());
    a.copy(bytes, sizeof(bytes));
    Data b = a;
    ASSERT_EQ(b.getSize(), 4);
    EXPECT_NE(b.getBytes(), a.getBytes());
    EXPECT_EQ(memcmp(b.getBytes(), bytes, 4), 0);

    a.copy(a.getBytes(), a.getSize()); // from its own buffer
    ASSERT_EQ(a.getSize(), 4);
    EXPECT_EQ(memcmp(a.getBytes(), bytes, 4), 0);

    a = a;
    EXPECT_EQ(a.getSize(), 4);
    a.copy(nullptr, 3);
    EXPECT_TRUE(a.isNull());
    EXPECT_EQ(a.getSize(), 0);
}

TEST(Data, MoveFastSetAndTakeBufferTransferOwnership) {
    Data a;
    auto* raw = static_cast<unsigned char*>(malloc(3));
    memcpy(raw, "abc", 3);
    a.fastSet(raw, 3);
    EXPECT_EQ(a.getBytes(), raw);

    Data b(std::move(a));
    EXPECT_TRUE(a.isNull());
    EXPECT_EQ(b.getBytes(), raw);

    ssize_t size = 0;
    unsigned char* taken = b.takeBuffer(&size);
    EXPECT_EQ(taken, raw);
    EXPECT_EQ(size, 3);
    EXPECT_TRUE(b.isNull());
    free(taken);
    EXPECT_TRUE(Data::Null.isNull());
}

} // namespace
