// Folder normalisation, the resolved writable and debug log paths, and the
// frame and scale setter rules.
#include "ProjectConfig/ProjectConfig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// A doubled separator anywhere but a leading UNC prefix.
bool hasDoubledSeparator(const std::string& path)
{
    const size_t from = path.compare(0, 2, "\\\\") == 0 ? 1 : 0;
    return path.find("\\\\", from) != std::string::npos;
}

struct FolderCase {
    const char* projectDir;
    const char* writablePath; // null: not set
    const char* expectedProjectDir;
    const char* expectedWritablePath;
    const char* expectedRealPath;
};

void PrintTo(const FolderCase& c, std::ostream* out)
{
    *out << '"' << c.projectDir << "\" + " << (c.writablePath ? c.writablePath : "(none)");
}

class Folders : public ::testing::TestWithParam<FolderCase> {};

TEST_P(Folders, NormaliseAndResolve)
{
    const FolderCase& c = GetParam();
    ProjectConfig config;
    config.setProjectDir(c.projectDir);
    if (c.writablePath) config.setWritablePath(c.writablePath);

    EXPECT_EQ(c.expectedProjectDir, config.getProjectDir());
    EXPECT_EQ(c.expectedWritablePath, config.getWritablePath());
    EXPECT_EQ(c.expectedRealPath, config.getWritableRealPath());
    EXPECT_FALSE(hasDoubledSeparator(config.getProjectDir())) << config.getProjectDir();
    EXPECT_FALSE(hasDoubledSeparator(config.getWritablePath())) << config.getWritablePath();
    EXPECT_FALSE(hasDoubledSeparator(config.getWritableRealPath())) << config.getWritableRealPath();
}

INSTANTIATE_TEST_SUITE_P(
    Table, Folders,
    ::testing::Values(
        FolderCase{"", nullptr, "", "", ""},
        // A lone "/game": the writable path is the project folder itself, not doubled.
        FolderCase{"/game", nullptr, "\\game\\", "\\game\\", "\\game\\"},
        FolderCase{"D:/game", nullptr, "D:\\game\\", "D:\\game\\", "D:\\game\\"},
        FolderCase{"D:\\game\\", nullptr, "D:\\game\\", "D:\\game\\", "D:\\game\\"},
        FolderCase{"D:\\\\game//sub/", nullptr, "D:\\game\\sub\\", "D:\\game\\sub\\", "D:\\game\\sub\\"},
        FolderCase{"//server/share/game", nullptr, "\\\\server\\share\\game\\", "\\\\server\\share\\game\\",
                   "\\\\server\\share\\game\\"},
        FolderCase{"D:\\game", "E:/save", "D:\\game\\", "E:\\save\\", "E:\\save\\"},
        FolderCase{"D:\\game", "data", "D:\\game\\", "data\\", "D:\\game\\data\\"},
        FolderCase{"D:\\game", "$(PROJDIR)/data", "D:\\game\\", "$(PROJDIR)\\data\\", "D:\\game\\data\\"},
        FolderCase{"D:\\game", "$(PROJDIR)", "D:\\game\\", "$(PROJDIR)\\", "D:\\game\\"},
        FolderCase{"/game", "/game/cache", "\\game\\", "\\game\\cache\\", "\\game\\cache\\"},
        FolderCase{"/game", "/save", "\\game\\", "\\save\\", "\\game\\save\\"},
        FolderCase{"D:\\game", "\\\\nas\\save", "D:\\game\\", "\\\\nas\\save\\", "\\\\nas\\save\\"},
        FolderCase{"", "save", "", "save\\", "save\\"}));

TEST(ProjectConfigFolders, ScriptFileGetsBackslashesButNoTrailingOne)
{
    ProjectConfig config;
    config.setScriptFile("src//game/main.lua");
    EXPECT_EQ("src\\game\\main.lua", config.getScriptFile());
}

struct LogCase {
    const char* projectDir;
    const char* fileName;
    const char* expectedPath;
};

void PrintTo(const LogCase& c, std::ostream* out) { *out << '"' << c.projectDir << "\" + " << c.fileName; }

class DebugLogPath : public ::testing::TestWithParam<LogCase> {};

TEST_P(DebugLogPath, ResolvesAgainstTheProjectFolder)
{
    const LogCase& c = GetParam();
    ProjectConfig config;
    config.setProjectDir(c.projectDir);
    config.setDebugLogFilePath(c.fileName);
    EXPECT_EQ(c.expectedPath, config.getDebugLogFilePath());
}

INSTANTIATE_TEST_SUITE_P(Table, DebugLogPath,
                         ::testing::Values(LogCase{"D:\\game", "rel.log", "D:\\game\\rel.log"},
                                           LogCase{"D:\\game", "C:\\abs.log", "C:\\abs.log"},
                                           LogCase{"D:\\game", "\\logs\\x.log", "D:\\game\\logs\\x.log"},
                                           LogCase{"D:\\game", "\\\\nas\\x.log", "\\\\nas\\x.log"},
                                           LogCase{"", "rel.log", "rel.log"},
                                           LogCase{"D:\\game", "", "D:\\game\\debug.log"}));

TEST(ProjectConfigFrame, SetterIgnoresSidesThatAreNotPositiveAndFinite)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const cocos2d::Size rejected[] = {{0, 720}, {1280, 0}, {-1280, 720}, {1280, -1}, {nan, 720}, {1280, inf}};
    for (const cocos2d::Size& size : rejected) {
        ProjectConfig config;
        config.setFrameSize(size);
        EXPECT_EQ(cocos2d::Size(960, 640), config.getFrameSize()) << size.width << "x" << size.height;
    }
    ProjectConfig config;
    config.setFrameSize({1.5f, 2.5f});
    EXPECT_EQ(cocos2d::Size(1.5f, 2.5f), config.getFrameSize());
}

TEST(ProjectConfigFrame, OrientationChangesSwapOnlyWhenNeeded)
{
    struct Case {
        cocos2d::Size start;
        cocos2d::Size landscape;
        cocos2d::Size portrait;
    };
    const Case cases[] = {
        {{960, 640}, {960, 640}, {640, 960}},
        {{640, 960}, {960, 640}, {640, 960}},
        // Square: not wider than high, so "landscape" swaps (a no-op) and "portrait" keeps it.
        {{800, 800}, {800, 800}, {800, 800}},
    };
    for (const Case& c : cases) {
        ProjectConfig toLandscape;
        toLandscape.setFrameSize(c.start);
        toLandscape.changeFrameOrientationToLandscape();
        EXPECT_EQ(c.landscape, toLandscape.getFrameSize());

        ProjectConfig toPortrait;
        toPortrait.setFrameSize(c.start);
        toPortrait.changeFrameOrientationToPortait();
        EXPECT_EQ(c.portrait, toPortrait.getFrameSize());
        EXPECT_EQ(c.portrait.width > c.portrait.height, toPortrait.isLandscapeFrame());
    }
}

TEST(ProjectConfigFrame, ScaleSetterIgnoresValuesThatAreNotPositiveAndFinite)
{
    const float rejected[] = {0.0f, -1.0f, std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::quiet_NaN()};
    for (const float scale : rejected) {
        ProjectConfig config;
        config.setFrameScale(2.0f);
        config.setFrameScale(scale);
        EXPECT_EQ(2.0f, config.getFrameScale()) << scale;
    }
}

} // namespace
