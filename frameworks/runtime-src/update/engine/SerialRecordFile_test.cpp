#include "update/engine/SerialRecordFile.h"

#include "cocos2d.h"
#include "proj.win32/ScopedHandle.h"
#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"
#include "update/engine/UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

using namespace updatetest;

namespace {

// Another reader of a file, as the C runtime's fopen opens it (sharing reading
// and writing, not deletion), holding it for a while on a thread of its own.
class BriefReader {
public:
    BriefReader(const std::string& path, int holdMs) {
        thread_ = std::thread([this, path, holdMs] {
            ScopedFileHandle file(::CreateFileW(utf8ToWide(path).c_str(), GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
            {
                std::lock_guard<std::mutex> lock(m_);
                opened_ = static_cast<bool>(file);
                ready_ = true;
            }
            cv_.notify_all();
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
        });
        std::unique_lock<std::mutex> lock(m_);
        cv_.wait(lock, [this] { return ready_; });
    }
    ~BriefReader() { thread_.join(); }
    bool opened() const { return opened_; }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool ready_ = false;
    bool opened_ = false;
    std::thread thread_;
};

}  // namespace

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

// A scanner or indexer that has the record, or a leftover temporary file, open
// for a moment: the replacement waits for it instead of giving up.
TEST(SerialRecordFile, ReplacedOnceABriefReaderLetsGo) {
    TempFolder root("-record");
    makeDir(root / "auc");
    makeDir(root / "auc/Resources");
    const std::string resources = root / "auc/Resources/";
    ASSERT_TRUE(writeSerialRecord(resources, "vx 1"));
    struct Case {
        const char* what;
        std::string held;
        std::string text;
    } cases[] = {
        {"the record", resources + "LocalResSignSn", "vx 2"},
        {"a leftover temporary file", root / "auc/LocalResSignSn.tmp", "vx 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!exists(c.held)) writeFile(c.held, "left over");
        {
            BriefReader reader(c.held, 150);
            ASSERT_TRUE(reader.opened());
            EXPECT_TRUE(writeSerialRecord(resources, c.text));
        }
        std::string record;
        ASSERT_TRUE(readFile(resources + "LocalResSignSn", &record));
        EXPECT_EQ(record, c.text);
        EXPECT_EQ(listFiles(root.path()), std::vector<std::string>{"auc/Resources/LocalResSignSn"});
    }
}

TEST(SerialRecordFile, AReaderThatNeverLetsGoEndsTheRetriesInBoundedTime) {
    TempFolder root("-record");
    makeDir(root / "auc");
    makeDir(root / "auc/Resources");
    const std::string resources = root / "auc/Resources/";
    ASSERT_TRUE(writeSerialRecord(resources, "vx 1"));
    {
        BriefReader reader(resources + "LocalResSignSn", 2500);
        ASSERT_TRUE(reader.opened());
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_FALSE(writeSerialRecord(resources, "vx 2"));
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(2000));
    }
    std::string record;
    ASSERT_TRUE(readFile(resources + "LocalResSignSn", &record));
    EXPECT_EQ(record, "vx 1");
    EXPECT_EQ(listFiles(root.path()), std::vector<std::string>{"auc/Resources/LocalResSignSn"});
}

// The record is read (at the next start, or by another program) while it is
// being replaced: every read finds one whole record, never an empty or a
// half-written one, and never an older one than a read before it found.
TEST(SerialRecordFile, AReaderOnlyEverSeesAWholeRecord) {
    TempFolder root("-record");
    makeDir(root / "auc");
    makeDir(root / "auc/Resources");
    const std::string resources = root / "auc/Resources/";
    const std::string record = resources + "LocalResSignSn";
    constexpr int kReplacements = 400;
    ASSERT_TRUE(writeSerialRecord(resources, "vx 1"));

    std::atomic<bool> done{false};
    std::vector<std::string> bad;
    int reads = 0;
    std::thread reader([&] {
        cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();  // the engine's reader, as the update's start reads it
        int last = 0;
        while (!done.load()) {
            const std::string text = files->getStringFromFile(record);
            ++reads;
            const int serial = text.size() > 3 && text.compare(0, 3, "vx ") == 0 ? std::atoi(text.c_str() + 3) : 0;
            if (serial < 1 || serial > kReplacements || text != "vx " + std::to_string(serial) || serial < last) {
                bad.push_back(text);
            } else {
                last = serial;
            }
            // Each read holds the record for a moment; the replacement waits for the gaps.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    int failedWrites = 0;
    for (int n = 2; n <= kReplacements; ++n) {
        // Lengths vary, so a record written over another in place would show.
        if (!writeSerialRecord(resources, "vx " + std::to_string(n))) ++failedWrites;
    }
    done = true;
    reader.join();
    EXPECT_EQ(failedWrites, 0);
    EXPECT_GT(reads, kReplacements / 4);
    EXPECT_TRUE(bad.empty()) << bad.size() << " torn reads, the first: \"" << bad.front() << "\"";
    std::string last;
    ASSERT_TRUE(readFile(record, &last));
    EXPECT_EQ(last, "vx " + std::to_string(kReplacements));
}
