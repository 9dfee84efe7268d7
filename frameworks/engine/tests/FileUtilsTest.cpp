// FileUtils on the real file system, in temporary folders with Vietnamese names.
#include "platform/CCFileUtils.h"
#include "LogHook.h"

#include "TempDir.h"
#include "base/CCConsole.h"
#include "platform/Utf16_win.h"
#include "platform/Windows_win.h"

#include "../../../tests/support/ImportPatch_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using cocos2d::FileUtils;
using enginetest::TempDir;

namespace {

const char kHaiVan[] = "H\xe1\xba\xa3i V\xc3\xa2n"; // "Hải Vân"

// Puts the singleton back the way the test found it.
class FileUtilsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fu = FileUtils::getInstance();
        savedRoot = fu->getDefaultResourceRootPath();
        savedPaths = fu->getSearchPaths();
        savedNotify = fu->isPopupNotify();
    }
    void TearDown() override {
        cocos2d::setLogHook(nullptr);
        fu->setDefaultResourceRootPath(savedRoot);
        fu->setSearchPaths(savedPaths);
        fu->setPopupNotify(savedNotify);
    }

    FileUtils* fu = nullptr;
    TempDir dir{kHaiVan};
    std::string savedRoot;
    std::vector<std::string> savedPaths;
    bool savedNotify = true;
};

struct AbsoluteCase {
    const char* path;
    bool absolute;
};

TEST_F(FileUtilsTest, AbsolutePathRule) {
    const AbsoluteCase cases[] = {
        {"C:/game/a.png", true}, {"c:\\game", true}, {"Z:x", true},      {"C:", false},
        {"1:/x", false},         {"//server/share", true}, {"\\\\server\\share", true},
        {"/game/a.png", true},   {"\\game", true}, {"src/main.lua", false}, {"", false},
        {"game\\a.png", false},
    };
    for (const auto& c : cases) EXPECT_EQ(fu->isAbsolutePath(c.path), c.absolute) << c.path;
}

TEST_F(FileUtilsTest, DefaultRootGetsOneTrailingSeparator) {
    const struct {
        const char* given;
        const char* stored;
    } cases[] = {
        {"", ""}, {"D:/game", "D:/game/"}, {"D:/game/", "D:/game/"}, {"D:\\game\\", "D:\\game\\"}, {"rel", "rel/"},
    };
    for (const auto& c : cases) {
        fu->setDefaultResourceRootPath(c.given);
        EXPECT_EQ(fu->getDefaultResourceRootPath(), c.stored) << c.given;
    }
}

TEST_F(FileUtilsTest, SearchPathsAreResolvedAgainstTheRoot) {
    fu->setDefaultResourceRootPath("D:/game");
    fu->setSearchPaths({"res", "E:/abs", "sub/"});
    EXPECT_EQ(fu->getSearchPaths(), (std::vector<std::string>{"D:/game/res/", "E:/abs/", "D:/game/sub/", "D:/game/"}));

    // A list that already holds the root does not get it twice.
    fu->setSearchPaths({"E:/abs", "D:/game/"});
    EXPECT_EQ(fu->getSearchPaths(), (std::vector<std::string>{"E:/abs/", "D:/game/"}));

    fu->addSearchPath("front", true);
    fu->addSearchPath("E:\\back\\");
    EXPECT_EQ(fu->getSearchPaths(),
              (std::vector<std::string>{"D:/game/front/", "E:/abs/", "D:/game/", "E:\\back\\"}));

    // A new root re-resolves the relative entries as they were given.
    fu->setDefaultResourceRootPath("F:/other/");
    EXPECT_EQ(fu->getSearchPaths(),
              (std::vector<std::string>{"F:/other/front/", "E:/abs/", "D:/game/", "E:\\back\\", "F:/other/"}));
}

TEST_F(FileUtilsTest, LookupTakesTheFirstSearchPathHoldingAFile) {
    enginetest::makeDir(dir / "first");
    enginetest::makeDir(dir / "second");
    enginetest::makeDir(dir / "third");
    enginetest::makeDir(dir / "first/a.txt"); // a directory of that name does not count
    enginetest::writeFile(dir / "second/a.txt", "second");
    enginetest::writeFile(dir / "third/a.txt", "third");
    enginetest::makeDir(dir / "third/ui");
    enginetest::writeFile(dir / "third/ui/b.txt", "b");

    fu->setDefaultResourceRootPath(dir.path());
    fu->setSearchPaths({"first", "second", "third"});
    EXPECT_EQ(fu->fullPathForFilename("a.txt"), dir / "second/a.txt");
    EXPECT_EQ(fu->getStringFromFile("a.txt"), "second");
    EXPECT_EQ(fu->fullPathForFilename("ui/b.txt"), dir / "third/ui/b.txt");
    EXPECT_EQ(fu->fullPathForFilename("ui\\b.txt"), dir / "third/ui/b.txt");

    // A path added in front wins at once, even over an earlier answer.
    enginetest::makeDir(dir / "patch");
    enginetest::writeFile(dir / "patch/a.txt", "patched");
    fu->addSearchPath(dir / "patch", true);
    EXPECT_EQ(fu->getStringFromFile("a.txt"), "patched");
}

TEST_F(FileUtilsTest, MissingFileGivesEmptyAndLogsOnlyWhilePopupNotifyIsOn) {
    std::vector<std::string> lines;
    cocos2d::setLogHook([&](const std::string& line) { lines.push_back(line); });
    fu->setDefaultResourceRootPath(dir.path());
    fu->setSearchPaths({});

    fu->setPopupNotify(true);
    EXPECT_EQ(fu->fullPathForFilename("nope.png"), "");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "cocos2d: fullPathForFilename: No file found at nope.png. Possible missing file.");

    fu->setPopupNotify(false);
    EXPECT_FALSE(fu->isPopupNotify());
    EXPECT_EQ(fu->fullPathForFilename("nope.png"), "");
    EXPECT_FALSE(fu->isFileExist("nope.png"));
    EXPECT_EQ(fu->getStringFromFile("nope.png"), "");
    EXPECT_TRUE(fu->getDataFromFile("nope.png").isNull());
    EXPECT_EQ(lines.size(), 1u);
}

TEST_F(FileUtilsTest, AbsoluteNamesComeBackUnchanged) {
    EXPECT_EQ(fu->fullPathForFilename("C:/does/not/exist.txt"), "C:/does/not/exist.txt");
    enginetest::writeFile(dir / "x.txt", "x");
    EXPECT_EQ(fu->fullPathForFilename(dir / "x.txt"), dir / "x.txt");
}

TEST_F(FileUtilsTest, EmptyRootResolvesAgainstTheCurrentDirectory) {
    enginetest::writeFile(dir / "config.json", "{}");
    wchar_t saved[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(::SetCurrentDirectoryW(cocos2d::win32::utf8ToWide(dir.path()).c_str()));
    fu->setSearchPaths({});
    fu->setDefaultResourceRootPath("");
    EXPECT_EQ(fu->getSearchPaths(), std::vector<std::string>{""});
    EXPECT_EQ(fu->fullPathForFilename("config.json"), "config.json");
    EXPECT_EQ(fu->getStringFromFile("config.json"), "{}");
    ::SetCurrentDirectoryW(saved);
}

TEST_F(FileUtilsTest, ExistenceTellsFilesFromDirectories) {
    enginetest::makeDir(dir / "d");
    enginetest::writeFile(dir / "f.bin", "1");
    fu->setDefaultResourceRootPath(dir.path());
    fu->setSearchPaths({});
    const struct {
        std::string name;
        bool file, directory;
    } cases[] = {
        {dir / "f.bin", true, false}, {dir / "d", false, true}, {dir / "d/", false, true},
        {dir / "none", false, false}, {"f.bin", true, false},   {"d", false, true},
        {"none", false, false},       {"", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fu->isFileExist(c.name), c.file) << c.name;
        EXPECT_EQ(fu->isDirectoryExist(c.name), c.directory) << c.name;
    }
}

TEST_F(FileUtilsTest, ReadsAreBinaryAndExact) {
    const std::string bytes("line1\r\nline2\n\0tail\x1a\xff", 20);
    enginetest::writeFile(dir / "b.dat", bytes);
    EXPECT_EQ(fu->getStringFromFile(dir / "b.dat"), bytes);
    const cocos2d::Data data = fu->getDataFromFile(dir / "b.dat");
    ASSERT_EQ(data.getSize(), static_cast<ssize_t>(bytes.size()));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.getBytes()), data.getSize()), bytes);

    enginetest::writeFile(dir / "empty", "");
    EXPECT_EQ(fu->getStringFromFile(dir / "empty"), "");
    EXPECT_TRUE(fu->getDataFromFile(dir / "empty").isNull());
}

TEST_F(FileUtilsTest, WriteReplacesWholeFilesAndLeavesNoTemporaries) {
    const std::string target = dir / "out.txt";
    ASSERT_TRUE(fu->writeStringToFile("first version, longer", target));
    ASSERT_TRUE(fu->writeStringToFile(std::string("v2\0x", 4), target));
    std::string back;
    ASSERT_TRUE(enginetest::readFile(target, &back));
    EXPECT_EQ(back, std::string("v2\0x", 4));
    EXPECT_EQ(enginetest::listDir(dir.path()), std::vector<std::string>{"out.txt"});

    EXPECT_FALSE(fu->writeStringToFile("x", dir / "missing-folder/out.txt"));
    EXPECT_EQ(enginetest::listDir(dir.path()), std::vector<std::string>{"out.txt"});
}

namespace {

// The flushes and moves the engine asks of the system, in order, by file name.
std::vector<std::wstring> gFileCalls;
testsupport::ImportPatch* gFlushPatch = nullptr;
testsupport::ImportPatch* gMovePatch = nullptr;

std::wstring leafOf(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

BOOL WINAPI recordFlush(HANDLE file) {
    wchar_t path[1024] = {};
    ::GetFinalPathNameByHandleW(file, path, 1024, FILE_NAME_NORMALIZED);
    gFileCalls.push_back(L"flush " + leafOf(path));
    return gFlushPatch->original<BOOL(WINAPI*)(HANDLE)>()(file);
}

BOOL WINAPI recordMove(LPCWSTR from, LPCWSTR to, DWORD flags) {
    gFileCalls.push_back(L"move " + leafOf(from) + L" " + leafOf(to));
    return gMovePatch->original<BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD)>()(from, to, flags);
}

}  // namespace

TEST_F(FileUtilsTest, WriteFlushesTheTemporaryFileBeforeMovingItIntoPlace) {
    testsupport::ImportPatch flush("kernel32.dll", "FlushFileBuffers", reinterpret_cast<const void*>(&recordFlush));
    testsupport::ImportPatch move("kernel32.dll", "MoveFileExW", reinterpret_cast<const void*>(&recordMove));
    ASSERT_TRUE(flush.applied()) << "the program never calls FlushFileBuffers";
    ASSERT_TRUE(move.applied());
    gFlushPatch = &flush;
    gMovePatch = &move;
    gFileCalls.clear();
    const std::string target = dir / "record.txt";
    const bool written = fu->writeStringToFile("12 34", target) && fu->writeStringToFile("56 78", target);
    const std::vector<std::wstring> calls = gFileCalls;
    gFlushPatch = gMovePatch = nullptr;
    ASSERT_TRUE(written);

    // Each write: its temporary file flushed, then that same file moved over the target.
    ASSERT_EQ(calls.size(), 4u);
    for (size_t i = 0; i < calls.size(); i += 2) {
        ASSERT_EQ(calls[i].rfind(L"flush ", 0), 0u) << "write " << i / 2;
        const std::wstring temp = calls[i].substr(6);
        EXPECT_NE(temp, L"record.txt") << "the temporary file, not the target";
        EXPECT_EQ(calls[i + 1], L"move " + temp + L" record.txt");
    }
    std::string back;
    ASSERT_TRUE(enginetest::readFile(target, &back));
    EXPECT_EQ(back, "56 78");
}

TEST_F(FileUtilsTest, CreateAndRemoveDirectoriesRecursively) {
    const std::string nested = dir.path() + "a/" + kHaiVan + "\\c/";
    EXPECT_TRUE(fu->createDirectory(nested));
    EXPECT_TRUE(fu->isDirectoryExist(nested));
    EXPECT_TRUE(fu->createDirectory(nested)); // already there
    enginetest::writeFile(nested + "f.txt", "f");
    enginetest::writeFile(dir / "a/g.txt", "g");

    EXPECT_TRUE(fu->removeDirectory(dir / "a/"));
    EXPECT_FALSE(enginetest::exists(dir / "a"));
    EXPECT_FALSE(fu->removeDirectory(dir / "a/")); // gone: false

    enginetest::writeFile(dir / "plain", "p");
    EXPECT_FALSE(fu->createDirectory(dir / "plain/sub")); // a file is in the way
}

TEST_F(FileUtilsTest, RenameReplacesTheTargetAndRemoveFileDeletes) {
    enginetest::writeFile(dir / "new.part", "new");
    enginetest::writeFile(dir / "res.zip", "old");
    EXPECT_TRUE(fu->renameFile(dir.path(), "new.part", "res.zip"));
    std::string back;
    ASSERT_TRUE(enginetest::readFile(dir / "res.zip", &back));
    EXPECT_EQ(back, "new");
    EXPECT_FALSE(enginetest::exists(dir / "new.part"));

    // A missing source fails and keeps the target.
    EXPECT_FALSE(fu->renameFile(dir.path(), "gone.part", "res.zip"));
    ASSERT_TRUE(enginetest::readFile(dir / "res.zip", &back));
    EXPECT_EQ(back, "new");

    EXPECT_TRUE(fu->removeFile(dir / "res.zip"));
    EXPECT_FALSE(fu->removeFile(dir / "res.zip"));
}

TEST_F(FileUtilsTest, FileSizeRules) {
    enginetest::writeFile(dir / "five", "12345");
    fu->setDefaultResourceRootPath(dir.path());
    fu->setSearchPaths({});
    fu->setPopupNotify(false);
    EXPECT_EQ(fu->getFileSize(dir / "five"), 5);
    EXPECT_EQ(fu->getFileSize(dir / "missing"), -1);
    EXPECT_EQ(fu->getFileSize("five"), 5);
    EXPECT_EQ(fu->getFileSize("missing"), 0);
}

TEST_F(FileUtilsTest, WritablePathIsStoredVerbatim) {
    const std::string saved = fu->getWritablePath();
    fu->setWritablePath("Z:\\game\\data\\");
    EXPECT_EQ(fu->getWritablePath(), "Z:\\game\\data\\");
    fu->setWritablePath(saved);
}

TEST_F(FileUtilsTest, PathCallsAreSafeFromWorkerThreads) {
    fu->setDefaultResourceRootPath(dir.path());
    fu->setSearchPaths({});
    fu->setPopupNotify(false);
    enginetest::writeFile(dir / "shared.txt", "shared");
    std::atomic<int> failures{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                const std::string folder = dir.path() + "w" + std::to_string(t) + "/" + kHaiVan + "/";
                const std::string file = folder + std::to_string(i) + ".txt";
                const std::string body = "payload " + std::to_string(t * 100 + i);
                if (!fu->createDirectory(folder)) ++failures;
                if (!fu->writeStringToFile(body, file)) ++failures;
                if (fu->getStringFromFile(file) != body) ++failures;
                if (fu->getFileSize(file) != static_cast<long>(body.size())) ++failures;
                if (!fu->removeFile(file)) ++failures;
            }
        });
    }
    // The main thread keeps resolving and purging meanwhile.
    for (int i = 0; i < 200; ++i) {
        if (fu->getStringFromFile("shared.txt") != "shared") ++failures;
        if (i % 10 == 0) fu->purgeCachedEntries();
    }
    for (auto& w : workers) w.join();
    EXPECT_EQ(failures.load(), 0);
}

} // namespace
