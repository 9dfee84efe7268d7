// makeCommandLine: what a spawned instance receives. The line is split by
// Windows' own CommandLineToArgvW, as the spawned process's runtime would,
// and parsed again; the result must be the same configuration.
#include "ConfigSnapshot.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

std::wstring toWide(const std::string& utf8)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

std::string toUtf8(const wchar_t* wide)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], length, nullptr, nullptr);
    text.resize(static_cast<size_t>(length - 1));
    return text;
}

struct LocalFreeDeleter {
    void operator()(LPWSTR* argv) const { LocalFree(argv); }
};

// The argument vector a process started with this command line would get.
std::vector<std::string> splitLikeWindows(const std::string& commandLine)
{
    int count = 0;
    std::unique_ptr<LPWSTR, LocalFreeDeleter> argv(CommandLineToArgvW(toWide(commandLine).c_str(), &count));
    std::vector<std::string> args;
    if (!argv) return args;
    for (int i = 0; i < count; ++i) args.push_back(toUtf8(argv.get()[i]));
    return args;
}

ProjectConfig respawned(const ProjectConfig& config, unsigned int mask = kProjectConfigAll)
{
    const std::vector<std::string> args = splitLikeWindows("C:\\host\\game.exe " + config.makeCommandLine(mask));
    ProjectConfig parsed;
    parsed.parseCommandLine(args);
    return parsed;
}

struct RoundTripCase {
    const char* name;
    std::function<void(ProjectConfig&)> configure;
};

void PrintTo(const RoundTripCase& c, std::ostream* out) { *out << c.name; }

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, ParsingTheWrittenLineGivesTheSameConfiguration)
{
    ProjectConfig original;
    GetParam().configure(original);
    SCOPED_TRACE(original.makeCommandLine());
    EXPECT_EQ(ConfigSnapshot::of(original), ConfigSnapshot::of(respawned(original)));
}

INSTANTIATE_TEST_SUITE_P(
    Table, RoundTrip,
    ::testing::Values(
        RoundTripCase{"Defaults", [](ProjectConfig&) {}},
        RoundTripCase{"FoldersWithBlanksAndTrailingBackslash",
                      [](ProjectConfig& c) {
                          c.setProjectDir("C:\\My Game\\");
                          c.setWritablePath("D:\\save dir\\");
                      }},
        RoundTripCase{"NonAsciiFolder", [](ProjectConfig& c) { c.setProjectDir("C:\\Tr\xc3\xb2 ch\xc6\xa1i"); }},
        RoundTripCase{"UncProjectFolder", [](ProjectConfig& c) { c.setProjectDir("\\\\nas\\share\\my game"); }},
        RoundTripCase{"RelativeWritableAndScript",
                      [](ProjectConfig& c) {
                          c.setProjectDir("C:\\game");
                          c.setWritablePath("$(PROJDIR)\\user data");
                          c.setScriptFile("src\\main.lua");
                      }},
        RoundTripCase{"WritableWithoutProjectFolder", [](ProjectConfig& c) { c.setWritablePath("D:\\w\\"); }},
        RoundTripCase{"FramePortraitAndSmallScale",
                      [](ProjectConfig& c) {
                          c.setFrameSize({720, 1280});
                          c.setFrameScale(0.1f);
                      }},
        RoundTripCase{"LargeScale", [](ProjectConfig& c) { c.setFrameScale(2.0f); }},
        RoundTripCase{"RelativeDebugLogWithBlank",
                      [](ProjectConfig& c) {
                          c.setProjectDir("C:\\My Game");
                          c.setDebugLogFilePath("logs\\my debug.log");
                          c.setWriteDebugLogToFile(true);
                      }},
        RoundTripCase{"AbsoluteDebugLogInFolderWithBlank",
                      [](ProjectConfig& c) {
                          c.setDebugLogFilePath("C:\\log dir\\x.log");
                          c.setWriteDebugLogToFile(true);
                      }},
        RoundTripCase{"ConsoleHidden", [](ProjectConfig& c) { c.setShowConsole(false); }},
        RoundTripCase{"OffsetBothSet", [](ProjectConfig& c) { c.setWindowOffset({100, 50}); }},
        RoundTripCase{"OffsetOneZero", [](ProjectConfig& c) { c.setWindowOffset({0, 50}); }},
        RoundTripCase{"OffsetNegative", [](ProjectConfig& c) { c.setWindowOffset({-1920, 10}); }},
        RoundTripCase{"DebuggerCodeIde", [](ProjectConfig& c) { c.setDebuggerType(kProjectConfigDebuggerCodeIDE); }},
        RoundTripCase{"DebuggerStudio", [](ProjectConfig& c) { c.setDebuggerType(kProjectConfigDebuggerStudio); }},
        RoundTripCase{"ListenAndSearchPaths",
                      [](ProjectConfig& c) {
                          c.setBindAddress("0.0.0.0");
                          c.setSearchPath({"C:\\extra dir\\", "res"});
                          c.setFirstSearchPath({"D:\\first\\"});
                      }},
        RoundTripCase{"Flags",
                      [](ProjectConfig& c) {
                          c.setRetinaDisplay(true);
                          c.parseCommandLine({"-resize-window"});
                      }}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });

TEST(MakeCommandLine, QuotesTheProjectFolderSoItsTrailingBackslashCannotEscapeTheQuote)
{
    ProjectConfig config;
    config.setProjectDir("C:\\My Game");
    EXPECT_EQ("-workdir \"C:\\My Game\\\\\" -writable-path \"C:\\My Game\\\\\" -resolution 960x640 -console enable",
              config.makeCommandLine());
}

TEST(MakeCommandLine, WithoutTheProjectFolderRelativePathsTravelResolved)
{
    ProjectConfig config;
    config.setProjectDir("D:\\game");
    config.setWritablePath("data");
    config.setDebugLogFilePath("x.log");
    config.setWriteDebugLogToFile(true);

    const ProjectConfig parsed = respawned(config, kProjectConfigAll & ~kProjectConfigProjectDir);
    EXPECT_EQ("", parsed.getProjectDir());
    EXPECT_EQ("D:\\game\\data\\", parsed.getWritableRealPath());
    EXPECT_EQ("D:\\game\\x.log", parsed.getDebugLogFilePath());
}

TEST(MakeCommandLine, MaskSelectsOptions)
{
    ProjectConfig config;
    config.setProjectDir("D:\\game");
    config.setRetinaDisplay(true);
    EXPECT_EQ("-resolution 960x640 -retina-display",
              config.makeCommandLine(kProjectConfigFrameSize | kProjectConfigRetinaDisplay));
    EXPECT_EQ("", config.makeCommandLine(0));
}

} // namespace
