// No key material of the script decryption is left in freed heap memory.
// This executable replaces the global operator delete: while a watch is on,
// each block is searched for the watched bytes just before it goes back to
// the heap.
#include "TestSupport.h"
#include "xxtea/xxtea.h"

#include <gtest/gtest.h>

#include <malloc.h>  // _msize: the C runtime's size of a malloc block

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

struct FreedMemoryWatch {
    std::atomic<bool> on{false};
    const unsigned char* bytes = nullptr;
    std::size_t size = 0;
    std::atomic<int> blocksHoldingThem{0};
};
FreedMemoryWatch watch;

void inspectBeforeFree(void* block) {
    if (block == nullptr || !watch.on.load()) return;
    const std::size_t size = _msize(block);
    if (size == static_cast<std::size_t>(-1) || size < watch.size) return;
    const auto* p = static_cast<const unsigned char*>(block);
    for (std::size_t i = 0; i + watch.size <= size; ++i) {
        if (std::memcmp(p + i, watch.bytes, watch.size) == 0) {
            ++watch.blocksHoldingThem;
            return;
        }
    }
}

// Counts the freed blocks that held the bytes while it lives.
class WatchFreedMemory {
public:
    WatchFreedMemory(const void* bytes, std::size_t size) {
        watch.bytes = static_cast<const unsigned char*>(bytes);
        watch.size = size;
        watch.blocksHoldingThem = 0;
        watch.on = true;
    }
    ~WatchFreedMemory() { watch.on = false; }
    int blocksHoldingThem() const { return watch.blocksHoldingThem.load(); }
};

// 16 bytes, kept in read-only data here: no heap copy of the test's own.
constexpr char kKey[] = "Qk7#zL!p2@Vw9&Xe";
constexpr std::size_t kKeyBytes = sizeof kKey - 1;
static_assert(kKeyBytes == xxtea::kKeyBytes, "a whole key");

}  // namespace

// Blocks come from malloc (as libstdc++'s own operator new takes them), so that
// _msize knows their size and free returns them.
void* operator new(std::size_t size) {
    if (void* block = std::malloc(size != 0 ? size : 1)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }

// GCC cannot see that the operator new above is the malloc these free.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void operator delete(void* block) noexcept {
    inspectBeforeFree(block);
    std::free(block);
}
void operator delete[](void* block) noexcept {
    inspectBeforeFree(block);
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    inspectBeforeFree(block);
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    inspectBeforeFree(block);
    std::free(block);
}

TEST(XxteaKeyWipe, TheWatchSeesAFreedBlockThatHeldTheKey) {
    WatchFreedMemory watching(kKey, kKeyBytes);
    delete new std::vector<char>(kKey, kKey + kKeyBytes);  // the vector's buffer and the vector itself
    EXPECT_EQ(watching.blocksHoldingThem(), 1);
}

TEST(XxteaKeyWipe, EncryptionAndDecryptionLeaveNoKeyInFreedMemory) {
    const std::string source = "return 'a script of the game'";
    std::vector<unsigned char> cipher;
    std::vector<unsigned char> plain;
    {
        WatchFreedMemory watching(kKey, kKeyBytes);
        cipher = xxtea::encrypt(source.data(), source.size(), kKey, kKeyBytes);
        EXPECT_EQ(watching.blocksHoldingThem(), 0) << "encryption";
    }
    {
        WatchFreedMemory watching(kKey, kKeyBytes);
        ASSERT_TRUE(xxtea::decrypt(cipher.data(), cipher.size(), kKey, kKeyBytes, plain));
        EXPECT_EQ(watching.blocksHoldingThem(), 0) << "decryption";
    }
    EXPECT_EQ(std::string(plain.begin(), plain.end()), source);
}

TEST(XxteaKeyWipe, LoadingEncryptedScriptsLeavesNoKeyInFreedMemory) {
    testing_support::KeyedStack keyed;
    const std::string key = testing_support::KeyedStack::kKey;
    const std::string chunk =
        testing_support::encryptScript("return 'decrypted'", key, testing_support::KeyedStack::kSign);
    WatchFreedMemory watching(testing_support::KeyedStack::kKey, key.size());
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(keyed.stack.luaLoadBuffer(keyed.L, chunk.data(), static_cast<int>(chunk.size()), "=encrypted"), 0);
        ASSERT_EQ(lua_pcall(keyed.L, 0, 1, 0), 0);
        EXPECT_STREQ(lua_tostring(keyed.L, -1), "decrypted");
        lua_pop(keyed.L, 1);
    }
    EXPECT_EQ(watching.blocksHoldingThem(), 0);
}
