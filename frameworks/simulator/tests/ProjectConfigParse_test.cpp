// The command-line parser: each row gives the arguments after the program
// path and what must differ from the defaults afterwards; everything else
// must stay at its default.
#include "ConfigSnapshot.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

const char* const kProgram = "C:\\host\\game.exe";

struct ParseCase {
    const char* name;
    std::vector<std::string> args;
    std::function<void(ConfigSnapshot&)> expect;
};

void PrintTo(const ParseCase& c, std::ostream* out) { *out << c.name; }

void projectAt(ConfigSnapshot& s, const std::string& dir)
{
    s.projectDir = dir;
    s.writablePath = dir;
    s.writableRealPath = dir;
    s.debugLogPath = dir + "debug.log";
}

const std::vector<ParseCase>& parseCases()
{
    static const std::vector<ParseCase> cases = {
        {"NoArguments", {}, [](ConfigSnapshot&) {}},
        {"LoneSlashFolderIsNoOption", {"/game"}, [](ConfigSnapshot&) {}},
        {"SlashFolderThenScale", {"/game", "-scale", "2"}, [](ConfigSnapshot& s) { s.frameScale = 2.0f; }},
        {"WorkdirFillsWritable", {"-workdir", "D:\\game"}, [](ConfigSnapshot& s) { projectAt(s, "D:\\game\\"); }},
        {"WorkdirSlashes", {"-workdir", "D:/game//"}, [](ConfigSnapshot& s) { projectAt(s, "D:\\game\\"); }},
        {"WorkdirThenWritable",
         {"-workdir", "D:\\game", "-writable-path", "E:/save"},
         [](ConfigSnapshot& s) {
             projectAt(s, "D:\\game\\");
             s.writablePath = "E:\\save\\";
             s.writableRealPath = "E:\\save\\";
         }},
        {"WritableBeforeWorkdirSurvives",
         {"-writable-path", "E:\\save", "-workdir", "D:\\game"},
         [](ConfigSnapshot& s) {
             projectAt(s, "D:\\game\\");
             s.writablePath = "E:\\save\\";
             s.writableRealPath = "E:\\save\\";
         }},
        {"WritableWithoutWorkdir",
         {"-writable-path", "save"},
         [](ConfigSnapshot& s) {
             s.writablePath = "save\\";
             s.writableRealPath = "save\\";
         }},
        {"Entry", {"-entry", "src/main.lua"}, [](ConfigSnapshot& s) { s.scriptFile = "src\\main.lua"; }},
        {"Resolution",
         {"-resolution", "1280x720"},
         [](ConfigSnapshot& s) {
             s.frameWidth = 1280;
             s.frameHeight = 720;
         }},
        {"ResolutionWithoutWidth", {"-resolution", "x720"}, [](ConfigSnapshot&) {}},
        {"ResolutionWithoutHeight", {"-resolution", "1280x"}, [](ConfigSnapshot&) {}},
        {"ResolutionWithoutSeparator", {"-resolution", "1280"}, [](ConfigSnapshot&) {}},
        {"ResolutionZeroSide", {"-resolution", "0x720"}, [](ConfigSnapshot&) {}},
        {"ResolutionNegativeSide", {"-resolution", "-1280x720"}, [](ConfigSnapshot&) {}},
        {"ResolutionOverflowIsClampedNotUndefined",
         {"-resolution", "99999999999x720"},
         [](ConfigSnapshot& s) {
             s.frameWidth = static_cast<float>(std::numeric_limits<int>::max());
             s.frameHeight = 720;
         }},
        {"Portrait", {"-portrait"}, [](ConfigSnapshot& s) {
             s.frameWidth = 640;
             s.frameHeight = 960;
         }},
        {"LandscapeAfterResolution",
         {"-resolution", "1280x720", "-landscape"},
         [](ConfigSnapshot& s) {
             s.frameWidth = 960;
             s.frameHeight = 640;
         }},
        {"ScaleHalf", {"-scale", "0.5"}, [](ConfigSnapshot& s) { s.frameScale = 0.5f; }},
        {"ScaleZeroIgnored", {"-scale", "0"}, [](ConfigSnapshot&) {}},
        {"ScaleNegativeIgnored", {"-scale", "-2"}, [](ConfigSnapshot&) {}},
        {"ScaleTextIgnored", {"-scale", "big"}, [](ConfigSnapshot&) {}},
        {"ScaleInfiniteIgnored", {"-scale", "inf"}, [](ConfigSnapshot&) {}},
        {"ScaleBeyondFloatIgnored", {"-scale", "1e300"}, [](ConfigSnapshot&) {}},
        {"DebugLogRelative",
         {"-workdir", "D:\\game", "-write-debug-log", "rel.log"},
         [](ConfigSnapshot& s) {
             projectAt(s, "D:\\game\\");
             s.writeDebugLog = true;
             s.debugLogName = "rel.log";
             s.debugLogPath = "D:\\game\\rel.log";
         }},
        {"DebugLogAbsolute",
         {"-workdir", "D:\\game", "-write-debug-log", "C:\\abs.log"},
         [](ConfigSnapshot& s) {
             projectAt(s, "D:\\game\\");
             s.writeDebugLog = true;
             s.debugLogName = "C:\\abs.log";
             s.debugLogPath = "C:\\abs.log";
         }},
        {"DebugLogAsLastEntrySetsNothing", {"-write-debug-log"}, [](ConfigSnapshot&) {}},
        {"DebugLogEmptyNameSetsNothing", {"-write-debug-log", ""}, [](ConfigSnapshot&) {}},
        {"WorkdirAsLastEntrySetsNothing", {"-scale", "2", "-workdir"}, [](ConfigSnapshot& s) { s.frameScale = 2.0f; }},
        {"ConsoleAsLastEntrySetsNothing", {"-console"}, [](ConfigSnapshot&) {}},
        {"ConsoleDisable", {"-console", "disable"}, [](ConfigSnapshot& s) { s.showConsole = false; }},
        {"ConsoleEnableAfterDisable", {"-console", "disable", "-console", "enable"}, [](ConfigSnapshot&) {}},
        {"ConsoleValueIsCaseSensitive", {"-console", "ENABLE"}, [](ConfigSnapshot& s) { s.showConsole = false; }},
        {"Position",
         {"-position", "100,50"},
         [](ConfigSnapshot& s) {
             s.offsetX = 100;
             s.offsetY = 50;
         }},
        {"PositionWithZero", {"-position", "100,0"}, [](ConfigSnapshot& s) { s.offsetX = 100; }},
        {"PositionNegative",
         {"-position", "-1920,-20"},
         [](ConfigSnapshot& s) {
             s.offsetX = -1920;
             s.offsetY = -20;
         }},
        {"PositionWithoutX", {"-position", ",50"}, [](ConfigSnapshot&) {}},
        {"DebuggerCodeIde", {"-debugger", "codeide"}, [](ConfigSnapshot& s) { s.debugger = 2; }},
        {"DebuggerStudio", {"-debugger", "studio"}, [](ConfigSnapshot& s) { s.debugger = 3; }},
        {"DebuggerUnknownKeepsValue", {"-debugger", "gdb"}, [](ConfigSnapshot&) {}},
        {"Flags",
         {"-app-menu", "-resize-window", "-retina-display"},
         [](ConfigSnapshot& s) {
             s.resizeWindow = true;
             s.retina = true;
         }},
        {"PortTakesNoValue", {"-port", "-retina-display"}, [](ConfigSnapshot& s) { s.retina = true; }},
        {"Listen", {"-listen", "0.0.0.0"}, [](ConfigSnapshot& s) { s.bindAddress = "0.0.0.0"; }},
        {"SearchPaths",
         {"-search-path", "a;;b c", "-first-search-path", "first"},
         [](ConfigSnapshot& s) {
             s.searchPath = {"a", "b c"};
             s.firstSearchPath = {"first"};
         }},
        {"ValueIsTakenWhateverItLooksLike",
         {"-workdir", "-portrait"},
         [](ConfigSnapshot& s) { projectAt(s, "-portrait\\"); }},
        {"UnknownAndMiscasedOptionsIgnored",
         {"-Workdir", "D:\\x", "--workdir", "D:\\y", "-foo", "-RETINA-DISPLAY", "workdir"},
         [](ConfigSnapshot&) {}},
    };
    return cases;
}

class ParseCommandLine : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseCommandLine, SetsExactlyTheExpectedValues)
{
    const ParseCase& c = GetParam();
    std::vector<std::string> args = {kProgram};
    args.insert(args.end(), c.args.begin(), c.args.end());

    ProjectConfig config;
    config.parseCommandLine(args);

    ConfigSnapshot expected = ConfigSnapshot::of(ProjectConfig());
    c.expect(expected);
    EXPECT_EQ(expected, ConfigSnapshot::of(config));
}

INSTANTIATE_TEST_SUITE_P(Table, ParseCommandLine, ::testing::ValuesIn(parseCases()),
                         [](const ::testing::TestParamInfo<ParseCase>& info) { return info.param.name; });

TEST(ProjectConfigDefaults, AreTheLibraryDefaults)
{
    const ConfigSnapshot s = ConfigSnapshot::of(ProjectConfig());
    EXPECT_EQ("", s.projectDir);
    EXPECT_EQ("", s.writablePath);
    EXPECT_EQ("", s.scriptFile);
    EXPECT_EQ(960.0f, s.frameWidth);
    EXPECT_EQ(640.0f, s.frameHeight);
    EXPECT_EQ(1.0f, s.frameScale);
    EXPECT_TRUE(s.showConsole);
    EXPECT_FALSE(s.writeDebugLog);
    EXPECT_EQ("debug.log", s.debugLogName);
    EXPECT_EQ(0.0f, s.offsetX);
    EXPECT_EQ(0.0f, s.offsetY);
    EXPECT_EQ(kProjectConfigDebuggerNone, s.debugger);
    EXPECT_TRUE(s.appMenu);
    EXPECT_FALSE(s.resizeWindow);
    EXPECT_FALSE(s.retina);
    EXPECT_EQ(6010, s.consolePort);
    EXPECT_EQ(6020, s.uploadPort);
    EXPECT_EQ("", s.bindAddress);
    EXPECT_TRUE(s.searchPath.empty());
    EXPECT_TRUE(s.firstSearchPath.empty());
}

TEST(ProjectConfigIsOption, KnowsExactlyTheParsersOptions)
{
    const char* const options[] = {"-workdir", "-writable-path", "-entry", "-landscape", "-portrait",
                                   "-resolution", "-scale", "-write-debug-log", "-console", "-position",
                                   "-debugger", "-app-menu", "-resize-window", "-retina-display", "-port",
                                   "-listen", "-search-path", "-first-search-path"};
    for (const char* option : options) EXPECT_TRUE(ProjectConfig::isOption(option)) << option;

    const char* const others[] = {"", "-", "/game", "D:\\game", "-Workdir", "--workdir", "retina-display",
                                  "-retina-display "};
    for (const char* other : others) EXPECT_FALSE(ProjectConfig::isOption(other)) << '"' << other << '"';
}

} // namespace
