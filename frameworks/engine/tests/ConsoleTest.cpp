// The engine log: formatting, the test hook, and what reaches standard output.
#include "base/CCConsole.h"
#include "LogHook.h"

#include "TempDir.h"
#include "platform/Utf16_win.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

using cocos2d::log;
using cocos2d::setLogHook;

// Points the C runtime's stdout at a file for the scope.
class StdoutToFile {
public:
    explicit StdoutToFile(const std::string& path) : _path(path) {
        fflush(stdout);
        _saved = _dup(_fileno(stdout));
        const int fd = _wopen(cocos2d::win32::utf8ToWide(path).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0600);
        _dup2(fd, _fileno(stdout));
        _close(fd);
    }
    ~StdoutToFile() { restore(); }
    void restore() {
        if (_saved < 0) return;
        fflush(stdout);
        _dup2(_saved, _fileno(stdout));
        _close(_saved);
        _saved = -1;
    }

private:
    std::string _path;
    int _saved = -1;
};

TEST(EngineLog, HookGetsTheFormattedTextWithoutTheNewline) {
    std::vector<std::string> lines;
    setLogHook([&](const std::string& line) { lines.push_back(line); });
    log("==write path==\n%s\n", "Z:/game/data/");
    log("%d %s %.2f", 42, "x", 1.5);
    setLogHook(nullptr);
    log("not seen by the hook");
    EXPECT_EQ(lines, (std::vector<std::string>{"==write path==\nZ:/game/data/\n", "42 x 1.50"}));
}

TEST(EngineLog, LongMessagesAreTruncatedToTheBuffer) {
    std::string got;
    setLogHook([&](const std::string& line) { got = line; });
    const std::string big(40000, 'a');
    log("%s", big.c_str());
    setLogHook(nullptr);
    EXPECT_EQ(got.size(), static_cast<size_t>(cocos2d::kMaxLogLength));
    EXPECT_EQ(got, big.substr(0, cocos2d::kMaxLogLength));
}

TEST(EngineLog, EachCallIsOneFlushedLineOnStdout) {
    enginetest::TempDir dir;
    const std::string path = dir / "stdout.txt";
    StdoutToFile redirect(path);
    log("first %d", 1);
    // Visible before anyone flushes: the log flushed it.
    std::string seen;
    ASSERT_TRUE(enginetest::readFile(path, &seen));
    EXPECT_EQ(seen, "first 1\n");
    log("second");
    redirect.restore();
    ASSERT_TRUE(enginetest::readFile(path, &seen));
    EXPECT_EQ(seen, "first 1\nsecond\n");
}

TEST(EngineLog, LinesFromManyThreadsNeverInterleave) {
    enginetest::TempDir dir;
    const std::string path = dir / "threads.txt";
    std::mutex m;
    std::set<std::string> hooked;
    setLogHook([&](const std::string& line) {
        std::lock_guard<std::mutex> lock(m);
        hooked.insert(line);
    });
    constexpr int kThreads = 4, kLines = 100;
    {
        StdoutToFile redirect(path);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([t] {
                for (int i = 0; i < kLines; ++i) log("thread %d line %03d %s", t, i, std::string(200, 'a' + t).c_str());
            });
        for (auto& th : threads) th.join();
    }
    setLogHook(nullptr);
    EXPECT_EQ(hooked.size(), static_cast<size_t>(kThreads * kLines));

    std::string all;
    ASSERT_TRUE(enginetest::readFile(path, &all));
    size_t lines = 0, start = 0;
    for (size_t nl; (nl = all.find('\n', start)) != std::string::npos; start = nl + 1, ++lines)
        EXPECT_EQ(hooked.count(all.substr(start, nl - start)), 1u) << all.substr(start, nl - start);
    EXPECT_EQ(lines, static_cast<size_t>(kThreads * kLines));
}

} // namespace
