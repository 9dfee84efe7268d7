// The configuration dump: the exact engine log lines, captured with the
// engine's log hook.
#include "ProjectConfig/ProjectConfig.h"
#include "LogHook.h"

#include "base/CCConsole.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::vector<std::string> dumpLines(const ProjectConfig& config)
{
    std::vector<std::string> lines;
    cocos2d::setLogHook([&lines](const std::string& line) { lines.push_back(line); });
    config.dump();
    cocos2d::setLogHook(nullptr);
    return lines;
}

struct DumpCase {
    const char* name;
    std::function<void(ProjectConfig&)> configure;
    std::vector<std::string> lines;
};

void PrintTo(const DumpCase& c, std::ostream* out) { *out << c.name; }

class Dump : public ::testing::TestWithParam<DumpCase> {};

TEST_P(Dump, WritesOneLogLinePerValue)
{
    ProjectConfig config;
    GetParam().configure(config);
    EXPECT_EQ(GetParam().lines, dumpLines(config));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Dump,
    ::testing::Values(
        DumpCase{"ProjectFolderOnly",
                 [](ProjectConfig& c) { c.setProjectDir("D:/game"); },
                 {"Project Config:", "    project dir: D:\\game\\", "    writable path: D:\\game\\",
                  "    script file: ", "    frame size: 960 x 640", "    frame scale: 1.00",
                  "    show console: YES", "    write debug log: NO (NO)", "    listen: ", "    debugger: none",
                  "    add searching path:", ""}},
        DumpCase{"EveryValue",
                 [](ProjectConfig& c) {
                     c.setProjectDir("D:\\game");
                     c.setWritablePath("$(PROJDIR)/data");
                     c.setScriptFile("src/main.lua");
                     c.setFrameSize({1280.6f, 720.0f});
                     c.setFrameScale(1.5f);
                     c.setShowConsole(false);
                     c.setDebugLogFilePath("rel.log");
                     c.setWriteDebugLogToFile(true);
                     c.setBindAddress("127.0.0.1");
                     c.setDebuggerType(kProjectConfigDebuggerCodeIDE);
                     c.setFirstSearchPath({"first"});
                     c.setSearchPath({"a", "b"});
                 },
                 {"Project Config:", "    project dir: D:\\game\\", "    writable path: D:\\game\\data\\",
                  "    script file: src\\main.lua", "    frame size: 1281 x 720", "    frame scale: 1.50",
                  "    show console: NO", "    write debug log: D:\\game\\rel.log (YES)", "    listen: 127.0.0.1",
                  "    debugger: Cocos Code IDE", "    add searching path:", "        first", "        a",
                  "        b", ""}},
        DumpCase{"StudioDebugger",
                 [](ProjectConfig& c) { c.setDebuggerType(kProjectConfigDebuggerStudio); },
                 {"Project Config:", "    project dir: ", "    writable path: ", "    script file: ",
                  "    frame size: 960 x 640", "    frame scale: 1.00", "    show console: YES",
                  "    write debug log: NO (NO)", "    listen: ", "    debugger: Cocos Studio",
                  "    add searching path:", ""}}),
    [](const ::testing::TestParamInfo<DumpCase>& info) { return info.param.name; });

} // namespace
