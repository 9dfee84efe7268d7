// RuntimeEngine: the project folder and the file-server folder go in front of
// the engine's search paths, and the host's executable folder is asked for
// only when the configuration has no project folder.
#include "RuntimeEngine.h"

#include "HostDoubles.h"
#include "TempDir.h"
#include "platform/CCFileUtils.h"

#include <gtest/gtest.h>

namespace {

// Search paths may come back with "/" separators or an extra trailing one.
std::string comparable(std::string path)
{
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

class RuntimeEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        hostdoubles::reset();
        _savedPaths = files()->getSearchPaths();
        files()->purgeCachedEntries();
    }
    void TearDown() override
    {
        files()->setSearchPaths(_savedPaths);
        files()->purgeCachedEntries();
    }
    static cocos2d::FileUtils* files() { return cocos2d::FileUtils::getInstance(); }

private:
    std::vector<std::string> _savedPaths;
};

TEST_F(RuntimeEngineTest, PutsFileServerThenProjectFolderFirst)
{
    ProjectConfig config;
    config.setProjectDir("C:\\some game");
    config.setWritablePath("D:\\save");
    RuntimeEngine::getInstance()->setProjectConfig(config);

    const std::vector<std::string>& paths = files()->getSearchPaths();
    ASSERT_GE(paths.size(), 2u);
    EXPECT_EQ("D:\\save\\debugruntime", comparable(paths[0]));
    EXPECT_EQ("C:\\some game", comparable(paths[1]));
    EXPECT_EQ("C:\\some game\\", RuntimeEngine::getInstance()->getProjectConfig().getProjectDir());
    EXPECT_EQ(0, hostdoubles::calls().getExecutableDirAbsolute);
}

TEST_F(RuntimeEngineTest, EmptyProjectFolderBecomesTheExecutableFolder)
{
    hostdoubles::setExecutableDir("C:\\exe dir");
    RuntimeEngine::getInstance()->setProjectConfig(ProjectConfig());

    EXPECT_EQ(1, hostdoubles::calls().getExecutableDirAbsolute);
    const ProjectConfig& kept = RuntimeEngine::getInstance()->getProjectConfig();
    EXPECT_EQ("C:\\exe dir\\", kept.getProjectDir());
    EXPECT_EQ("C:\\exe dir\\", kept.getWritableRealPath());
    const std::vector<std::string>& paths = files()->getSearchPaths();
    ASSERT_GE(paths.size(), 2u);
    EXPECT_EQ("C:\\exe dir\\debugruntime", comparable(paths[0]));
    EXPECT_EQ("C:\\exe dir", comparable(paths[1]));
}

TEST_F(RuntimeEngineTest, FileServerFolderOverridesTheProjectAndItsAbsenceIsHarmless)
{
    TempDir project;
    project.writeFile("runtime-probe-a.txt", "project");
    project.writeFile("runtime-probe-b.txt", "project");
    project.writeFile("debugruntime/runtime-probe-a.txt", "server");

    ProjectConfig config;
    config.setProjectDir(project.path());
    RuntimeEngine::getInstance()->setProjectConfig(config);
    EXPECT_EQ("server", files()->getStringFromFile("runtime-probe-a.txt"));
    EXPECT_EQ("project", files()->getStringFromFile("runtime-probe-b.txt"));

    TempDir plain;
    plain.writeFile("runtime-probe-c.txt", "plain");
    config.setProjectDir(plain.path());
    config.setWritablePath(plain.path());
    RuntimeEngine::getInstance()->setProjectConfig(config);
    EXPECT_EQ("plain", files()->getStringFromFile("runtime-probe-c.txt"));
}

} // namespace
