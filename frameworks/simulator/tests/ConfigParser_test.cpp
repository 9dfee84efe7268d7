// "config.json" reading: fixture files in a temp folder, read through the
// engine's FileUtils. A wrong-type access inside rapidjson aborts the test
// run (the library makes its asserts fatal), so the wrong-type rows also
// prove that every access is type-checked.
#include "ConfigParser.h"
#include "LogHook.h"

#include "TempDir.h"
#include "base/CCConsole.h"
#include "platform/CCFileUtils.h"

#include <gtest/gtest.h>

namespace {

struct Values {
    float width;
    float height;
    bool landscape;
    std::string entry;
    int consolePort;
    int uploadPort;
};

const Values kDefaults{960, 640, true, "", 6010, 6020};

void expectValues(const Values& expected, const ConfigParser& parser)
{
    EXPECT_EQ(cocos2d::Size(expected.width, expected.height), parser.getInitViewSize());
    EXPECT_EQ(expected.landscape, parser.isLandscape());
    EXPECT_EQ(expected.entry, parser.getEntryFile());
    EXPECT_EQ(expected.consolePort, parser.getConsolePort());
    EXPECT_EQ(expected.uploadPort, parser.getUploadPort());
}

class LogCapture {
public:
    LogCapture()
    {
        cocos2d::setLogHook([this](const std::string& line) { lines.push_back(line); });
    }
    ~LogCapture() { cocos2d::setLogHook(nullptr); }
    std::vector<std::string> lines;
};

struct FileCase {
    const char* name;
    const char* json;
    bool parsed;
    Values expected;
};

void PrintTo(const FileCase& c, std::ostream* out) { *out << c.name; }

class ReadConfig : public ::testing::TestWithParam<FileCase> {};

TEST_P(ReadConfig, TakesOnlyWellTypedValues)
{
    const FileCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.writeFile("config.json", c.json);
    LogCapture log;

    ConfigParser parser;
    EXPECT_EQ(c.parsed, parser.readConfig(path));
    expectValues(c.expected, parser);
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadConfig,
    ::testing::Values(
        FileCase{"EveryValue",
                 R"({"init_cfg":{"width":1280,"height":720,"isLandscape":false,"entry":"src/main.lua",
                     "consolePort":7000,"uploadPort":7001}})",
                 true, {1280, 720, false, "src/main.lua", 7000, 7001}},
        FileCase{"PortraitSizeIsStoredLandscape", R"({"init_cfg":{"width":640,"height":960}})", true,
                 {960, 640, true, "", 6010, 6020}},
        FileCase{"FractionalSides", R"({"init_cfg":{"width":1280.5,"height":720.25}})", true,
                 {1280.5f, 720.25f, true, "", 6010, 6020}},
        FileCase{"ZeroSidesAreTaken", R"({"init_cfg":{"width":0,"height":0}})", true, {0, 0, true, "", 6010, 6020}},
        FileCase{"WidthOnly", R"({"init_cfg":{"width":1280}})", true, kDefaults},
        FileCase{"NegativeSide", R"({"init_cfg":{"width":-1280,"height":720}})", true, kDefaults},
        FileCase{"SideBeyondFloat", R"({"init_cfg":{"width":1e300,"height":720}})", true, kDefaults},
        FileCase{"WrongTypes",
                 R"({"init_cfg":{"width":"1280","height":720,"isLandscape":"no","entry":5,
                     "consolePort":"7000","uploadPort":7001.5}})",
                 true, kDefaults},
        FileCase{"NullsAndContainers",
                 R"({"init_cfg":{"width":null,"height":[720],"isLandscape":0,"entry":{},"consolePort":true,
                     "uploadPort":null}})",
                 true, kDefaults},
        FileCase{"PortsOutOfRange", R"({"init_cfg":{"consolePort":0,"uploadPort":70000}})", true, kDefaults},
        FileCase{"NegativePort", R"({"init_cfg":{"consolePort":-1}})", true, kDefaults},
        FileCase{"PortBeyondInt", R"({"init_cfg":{"consolePort":4294967296}})", true, kDefaults},
        FileCase{"InitCfgNotAnObject", R"({"init_cfg":[1,2]})", true, kDefaults},
        FileCase{"InitCfgMissing", R"({"other":{"width":1280,"height":720}})", true, kDefaults},
        FileCase{"RootIsAnArray", R"([{"init_cfg":{"width":1280,"height":720}}])", true, kDefaults},
        FileCase{"RootIsAString", R"("init_cfg")", true, kDefaults},
        // Editors on Windows like to save one; it is not worth losing the settings over.
        FileCase{"ByteOrderMarkIsSkipped", "\xEF\xBB\xBF{\"init_cfg\":{\"consolePort\":7000}}", true,
                 {960, 640, true, "", 7000, 6020}},
        FileCase{"EntryWithEmbeddedNul", "{\"init_cfg\":{\"entry\":\"a\\u0000b\"}}", true,
                 {960, 640, true, std::string("a\0b", 3), 6010, 6020}}),
    [](const ::testing::TestParamInfo<FileCase>& info) { return info.param.name; });

struct BrokenCase {
    const char* name;
    std::string bytes;
    int code; // rapidjson's ParseErrorCode
};

void PrintTo(const BrokenCase& c, std::ostream* out) { *out << c.name; }

class BrokenConfig : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenConfig, LogsTheErrorAndKeepsEarlierValues)
{
    const BrokenCase& c = GetParam();
    TempDir dir;
    const std::string good = dir.writeFile("good.json", R"({"init_cfg":{"width":1280,"height":720,"consolePort":7000}})");
    const std::string broken = dir.writeFile("config.json", c.bytes);

    ConfigParser parser;
    ASSERT_TRUE(parser.readConfig(good));
    LogCapture log;
    EXPECT_FALSE(parser.readConfig(broken));

    expectValues({1280, 720, true, "", 7000, 6020}, parser);
    const std::vector<std::string> expectedLog = {"read json file " + broken + " failed because of " +
                                                  std::to_string(c.code)};
    EXPECT_EQ(expectedLog, log.lines);
}

INSTANTIATE_TEST_SUITE_P(Table, BrokenConfig,
                         ::testing::Values(BrokenCase{"OnlyBlanks", "  \r\n", 1},
                                           BrokenCase{"TwoRoots", "{} {}", 2},
                                           BrokenCase{"InvalidValue", R"({"init_cfg": nope})", 3},
                                           BrokenCase{"Truncated", R"({"init_cfg": {)", 4},
                                           BrokenCase{"MissingComma", R"({"init_cfg":{"width":1 "height":2}})", 6}),
                         [](const ::testing::TestParamInfo<BrokenCase>& info) { return info.param.name; });

// Far deeper than a recursive descent fits in the main thread's stack.
constexpr int kDeepNesting = 30000;

TEST(ConfigParserFiles, DeepNestingIsParsedWithoutRecursion)
{
    TempDir dir;
    const std::string open(kDeepNesting, '['), close(kDeepNesting, ']');
    const std::string deep = dir.writeFile(
        "deep.json", R"({"init_cfg":{"width":800,"height":600,"isLandscape":false,"deep":)" + open + close + "}}");
    const std::string unclosed = dir.writeFile("unclosed.json", open);
    LogCapture log;

    ConfigParser parser;
    EXPECT_TRUE(parser.readConfig(deep));
    expectValues({800, 600, false, "", 6010, 6020}, parser);
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();

    EXPECT_FALSE(parser.readConfig(unclosed));
    expectValues({800, 600, false, "", 6010, 6020}, parser);
    ASSERT_EQ(1u, log.lines.size());
    EXPECT_EQ(0u, log.lines[0].find("read json file " + unclosed + " failed because of ")) << log.lines[0];
}

TEST(ConfigParserFiles, MissingOrEmptyFileKeepsValuesWithoutAParseError)
{
    TempDir dir;
    const std::string good = dir.writeFile("good.json", R"({"init_cfg":{"entry":"main.lua"}})");
    const std::string empty = dir.writeFile("empty.json", "");

    ConfigParser parser;
    ASSERT_TRUE(parser.readConfig(good));
    LogCapture log;
    EXPECT_FALSE(parser.readConfig(dir.path() + "missing.json"));
    EXPECT_FALSE(parser.readConfig(empty));

    expectValues({960, 640, true, "main.lua", 6010, 6020}, parser);
    for (const std::string& line : log.lines) EXPECT_EQ(std::string::npos, line.find("read json file")) << line;
}

TEST(ConfigParserInstance, StartsWithDefaultsAndDoesNotReadByItself)
{
    // A "config.json" the engine would find must stay unread until the host asks.
    TempDir dir;
    dir.writeFile("config.json", R"({"init_cfg":{"consolePort":7000}})");
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    const std::vector<std::string> savedPaths = files->getSearchPaths();
    files->addSearchPath(dir.path(), true);
    files->purgeCachedEntries();
    ASSERT_NE("", files->fullPathForFilename("config.json"));

    ConfigParser* parser = ConfigParser::getInstance();
    EXPECT_EQ(parser, ConfigParser::getInstance());
    EXPECT_EQ(6010, parser->getConsolePort());
    EXPECT_TRUE(parser->readConfig("config.json"));
    EXPECT_EQ(7000, parser->getConsolePort());

    files->setSearchPaths(savedPaths);
}

} // namespace
