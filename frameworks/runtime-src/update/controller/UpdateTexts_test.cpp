#include "update/controller/UpdateTexts.h"

#include "update/controller/AutoUpdateTestSupport.h"

#include <gtest/gtest.h>

#include <map>

using autoupdatetest::LogCapture;
using autoupdatetest::TextsSnapshot;

namespace {

// Deeper than a recursive parser's frames fit on the main thread's stack.
constexpr size_t kDeep = 40000;
const std::string kOpenArrays(kDeep, '[');

const std::map<std::string, std::string*> kTexts = {
    {"au_checkupdate", &au_checkupdate}, {"au_update", &au_update},     {"reserr_0", &reserr_0},
    {"reserr_1_0", &reserr_1_0},         {"reserr_1_1", &reserr_1_1},   {"reserr_2", &reserr_2},
    {"reserr_3", &reserr_3},             {"alert_title", &alert_title}, {"alert_retry", &alert_retry},
    {"gwerr_net", &gwerr_net},           {"gwerr_json", &gwerr_json},
};

// The texts as the process started with them, taken before any test runs
// (after static initialisation), whatever order the tests run in.
class TextsAtStart : public ::testing::Environment {
public:
    void SetUp() override {
        for (const auto& entry : kTexts) values[entry.first] = *entry.second;
    }
    static std::map<std::string, std::string> values;
};
std::map<std::string, std::string> TextsAtStart::values;
const ::testing::Environment* const kTextsAtStart = ::testing::AddGlobalTestEnvironment(new TextsAtStart);

// Each case starts from every text equal to its key and leaves the texts as
// it found them.
class UpdateTexts : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& entry : kTexts) *entry.second = entry.first;
    }
    TextsSnapshot keep;
};

TEST_F(UpdateTexts, StartAsTheirKeys) {
    ASSERT_EQ(TextsAtStart::values.size(), kTexts.size());
    for (const auto& entry : TextsAtStart::values) EXPECT_EQ(entry.second, entry.first);
}

TEST_F(UpdateTexts, TableCodeOfTheSystemLanguage) {
    const struct {
        const char* system;
        const char* table;
    } cases[] = {{"th", "th"}, {"thai", "th"}, {"zh", "tw"}, {"zh-TW", "tw"}, {"vi", "vi"}, {"en", "vi"},
                 {"fr", "vi"}, {"", "vi"},     {"t", "vi"},  {"z", "vi"},     {"TH", "vi"}};
    for (const auto& c : cases) EXPECT_STREQ(languageTableCode(c.system), c.table) << c.system;
}

// The texts after loading a table on a system, with the log line it makes.
TEST_F(UpdateTexts, ChoiceOfTheTable) {
    const struct {
        const char* name;
        std::string json;
        std::string system;
        std::string alertTitle;  // expected texts afterwards
        std::string alertRetry;
    } cases[] = {
        {"own language", R"({"th":{"alert_title":"T"},"vi":{"alert_title":"V"},"en":{"alert_title":"E"}})", "th", "T",
         "alert_retry"},
        {"chinese reads tw", R"({"tw":{"alert_title":"W"},"vi":{"alert_title":"V"}})", "zh", "W", "alert_retry"},
        {"english system reads vi", R"({"vi":{"alert_title":"V"},"en":{"alert_title":"E"}})", "en", "V",
         "alert_retry"},
        {"no own object: en", R"({"vi":{"alert_title":"V"},"en":{"alert_title":"E"}})", "th", "E", "alert_retry"},
        {"own member not an object: en", R"({"vi":"V","en":{"alert_retry":"R"}})", "vi", "alert_title", "R"},
        {"flat keys for every language", R"({"alert_title":"F","alert_retry":"G"})", "th", "F", "G"},
        {"no fallback per key", R"({"vi":{"alert_title":"V"},"en":{"alert_retry":"R"}})", "vi", "V", "alert_retry"},
        {"en object hides flat keys", R"({"alert_title":"F","en":{"alert_retry":"R"}})", "vi", "alert_title", "R"},
        {"value up to its NUL", R"({"alert_title":"a\u0000b"})", "vi", "a", "alert_retry"},
        {"value not a string keeps the text", R"({"alert_title":5,"alert_retry":["x"]})", "vi", "alert_title",
         "alert_retry"},
        {"root an array", R"([{"alert_title":"A"}])", "vi", "alert_title", "alert_retry"},
        {"root a string", R"("alert_title")", "vi", "alert_title", "alert_retry"},
        {"unknown members ignored", R"({"vi":{"other":"x","alert_title":"V"}})", "vi", "V", "alert_retry"},
        {"root nested deeply", kOpenArrays + std::string(kDeep, ']'), "vi", "alert_title", "alert_retry"},
        {"member nested deeply", R"({"en":)" + kOpenArrays + std::string(kDeep, ']') + R"(,"vi":{"alert_title":"V"}})",
         "vi", "V", "alert_retry"},
    };
    for (const auto& c : cases) {
        TextsSnapshot keep;
        LogCapture log;
        loadLanguageTable(c.json, c.system);
        EXPECT_EQ(alert_title, c.alertTitle) << c.name;
        EXPECT_EQ(alert_retry, c.alertRetry) << c.name;
        EXPECT_EQ(au_update, "au_update") << c.name;
        const std::string line = "autoupdate lang: locale='" + c.system + "' -> '" + languageTableCode(c.system) + "'";
        EXPECT_EQ(log.lines(), std::vector<std::string>{line}) << c.name;
    }
}

TEST_F(UpdateTexts, AllElevenKeysAreRead) {
    TextsSnapshot keep;
    loadLanguageTable(R"({"vi":{"au_checkupdate":"1","au_update":"2","reserr_0":"3","reserr_1_0":"4",)"
                      R"("reserr_1_1":"5","reserr_2":"6","reserr_3":"7","alert_title":"8","alert_retry":"9",)"
                      R"("gwerr_net":"10","gwerr_json":"Lỗi kết nối"}})",
                      "vi");
    EXPECT_EQ((std::vector<std::string>{au_checkupdate, au_update, reserr_0, reserr_1_0, reserr_1_1, reserr_2, reserr_3,
                                        alert_title, alert_retry, gwerr_net, gwerr_json}),
              (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "Lỗi kết nối"}));
}

TEST_F(UpdateTexts, UnreadableTableKeepsTheTexts) {
    const struct {
        std::string json;
        int code;
    } cases[] = {{"", 1}, {" \t\r\n", 1}, {R"({"alert_title":"A"} {})", 2}, {"{alert_title}", 4},
                 {"\xEF\xBB\xBF{}", 3}, {kOpenArrays, 3}};
    for (const auto& c : cases) {
        TextsSnapshot keep;
        LogCapture log;
        loadLanguageTable(c.json, "vi");
        EXPECT_EQ(alert_title, "alert_title");
        EXPECT_EQ(log.lines(), std::vector<std::string>{"lang.json jsonerr: " + std::to_string(c.code)}) << c.json;
    }
}

}  // namespace
