// Reference counting and the per-frame pool.
#include "base/CCAutoreleasePool.h"
#include "base/CCRef.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace cocos2d;

namespace {

std::vector<std::string> g_deleted;

struct Named : Ref {
    explicit Named(std::string n, bool autoreleaseChildOnDelete = false)
        : name(std::move(n)), spawn(autoreleaseChildOnDelete) {}
    ~Named() override {
        g_deleted.push_back(name);
        if (spawn) (new Named(name + ".child"))->autorelease();
    }
    std::string name;
    bool spawn;
};

TEST(AutoreleasePool, ClearReleasesOnceInOrderAndKeepsRetainedObjects) {
    g_deleted.clear();
    AutoreleasePool* pool = AutoreleasePool::getInstance();
    pool->clear();
    auto* a = new Named("a");
    auto* b = new Named("b");
    a->autorelease();
    b->autorelease();
    b->retain();
    EXPECT_TRUE(pool->contains(a));
    EXPECT_EQ(pool->getObjectCount(), 2u);
    pool->clear();
    EXPECT_EQ(g_deleted, std::vector<std::string>{"a"});
    EXPECT_EQ(b->getReferenceCount(), 1u);
    b->release();
    EXPECT_EQ(g_deleted, (std::vector<std::string>{"a", "b"}));
}

TEST(AutoreleasePool, ObjectsAutoreleasedWhileClearingWaitForTheNextClear) {
    g_deleted.clear();
    AutoreleasePool* pool = AutoreleasePool::getInstance();
    pool->clear();
    (new Named("parent", true))->autorelease();
    pool->clear();
    EXPECT_EQ(g_deleted, std::vector<std::string>{"parent"});
    EXPECT_EQ(pool->getObjectCount(), 1u);
    pool->clear();
    EXPECT_EQ(g_deleted, (std::vector<std::string>{"parent", "parent.child"}));
}

} // namespace
