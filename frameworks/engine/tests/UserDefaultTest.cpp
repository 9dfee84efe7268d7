// UserDefault: values survive a new instance through "UserDefault.xml",
// awkward values round-trip, a broken file is kept aside, bad keys are refused.
#include "base/CCUserDefault.h"

#include "TempDir.h"
#include "platform/CCFileUtils.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using cocos2d::FileUtils;
using cocos2d::UserDefault;
using enginetest::TempDir;

namespace {

class UserDefaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedWritable = FileUtils::getInstance()->getWritablePath();
        // The host's writable path has backslashes and a trailing one.
        std::string native = dir.path();
        for (char& c : native) if (c == '/') c = '\\';
        FileUtils::getInstance()->setWritablePath(native + "data\\");
        UserDefault::destroyInstance();
    }
    void TearDown() override {
        UserDefault::destroyInstance();
        FileUtils::getInstance()->setWritablePath(savedWritable);
    }
    static UserDefault* restart() {
        UserDefault::destroyInstance();
        return UserDefault::getInstance();
    }
    std::string file() const { return dir / "data/UserDefault.xml"; }

    TempDir dir{"userdefault"};
    std::string savedWritable;
};

TEST_F(UserDefaultTest, ValuesSurviveANewInstanceAndTheFileIsTheEnginesXml) {
    UserDefault* ud = UserDefault::getInstance();
    EXPECT_EQ(ud->getStringForKey("dorv_acount"), "");
    EXPECT_EQ(ud->getStringForKey("dorv_acount", "dflt"), "dflt");
    ASSERT_TRUE(ud->setStringForKey("dorv_acount", "ZAVUDP1:abc+/="));
    ASSERT_TRUE(ud->setStringForKey("volume", "0.5"));
    ASSERT_TRUE(ud->setStringForKey("volume", "0.7"));

    std::string text;
    ASSERT_TRUE(enginetest::readFile(file(), &text)) << "no file in the writable folder";
    EXPECT_NE(text.find("<userDefaultRoot>"), std::string::npos) << text;
    EXPECT_NE(text.find("<dorv_acount>ZAVUDP1:abc+/=</dorv_acount>"), std::string::npos) << text;
    EXPECT_EQ(enginetest::listDir(dir / "data"), std::vector<std::string>{"UserDefault.xml"}) << "temporary file left";

    ud = restart();
    EXPECT_EQ(ud->getStringForKey("dorv_acount"), "ZAVUDP1:abc+/=");
    EXPECT_EQ(ud->getStringForKey("volume"), "0.7");
    const std::string& path = ud->getXMLFilePath();
    EXPECT_EQ(path.substr(path.size() - 20), "data\\UserDefault.xml") << path;
}

TEST_F(UserDefaultTest, AwkwardValuesRoundTripThroughTheFile) {
    const std::map<std::string, std::string> values = {
        {"markup", "<a href=\"x\">&amp; 'q'</a>"},
        {"lines", "one\r\ntwo\nthree\r"},
        {"spaces", "  padded  "},
        {"empty", ""},
        {"vietnamese", "H\xe1\xba\xa3i V\xc3\xa2n Truy\xe1\xbb\x87n"},
        {"looks_like_end", "</looks_like_end>"},
    };
    for (const auto& v : values) ASSERT_TRUE(UserDefault::getInstance()->setStringForKey(v.first.c_str(), v.second));
    UserDefault* ud = restart();
    for (const auto& v : values) EXPECT_EQ(ud->getStringForKey(v.first.c_str(), "absent"), v.second) << v.first;
}

TEST_F(UserDefaultTest, KeysThatCannotBeElementsAreRefusedAndTheFileStaysReadable) {
    UserDefault* ud = UserDefault::getInstance();
    ASSERT_TRUE(ud->setStringForKey("good", "1"));
    for (const char* key : {"", "two words", "1st", "a<b", "-x", "a/b"}) {
        EXPECT_FALSE(ud->setStringForKey(key, "v")) << key;
        EXPECT_EQ(ud->getStringForKey(key, "absent"), "absent") << key;
    }
    EXPECT_FALSE(ud->setStringForKey(nullptr, "v"));
    for (const char* key : {"_x", "a.b-c:d", "game9"}) EXPECT_TRUE(ud->setStringForKey(key, "v")) << key;
    EXPECT_EQ(restart()->getStringForKey("good"), "1");
}

TEST_F(UserDefaultTest, ABrokenFileIsKeptAsideAndNotOverwritten) {
    const char* broken[] = {
        "<userDefaultRoot><a>1</a>",                // cut short
        "<userDefaultRoot><a>1</b></userDefaultRoot>",  // wrong close
        "<other><a>1</a></other>",                   // not ours
        "<userDefaultRoot><a>&bogus;</a></userDefaultRoot>",
        "\x01\x02 not xml",
    };
    for (const char* text : broken) {
        SCOPED_TRACE(text);
        enginetest::makeDir(dir / "data");
        enginetest::writeFile(file(), text);
        UserDefault* ud = restart();
        EXPECT_EQ(ud->getStringForKey("a", "absent"), "absent");
        std::string kept;
        ASSERT_TRUE(enginetest::readFile(file() + ".bad", &kept));
        EXPECT_EQ(kept, text);
        ASSERT_TRUE(ud->setStringForKey("a", "new"));
        EXPECT_EQ(restart()->getStringForKey("a"), "new");
    }
}

TEST_F(UserDefaultTest, ParserAcceptsWhatTheEngineWritesAndEmptyElements) {
    std::map<std::string, std::string> values;
    ASSERT_TRUE(UserDefault::parse("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<userDefaultRoot>\n"
                                   "  <a>x &#65;&#x1EA1;</a>\n  <b/>\n  <c></c>\n</userDefaultRoot>\n",
                                   values));
    EXPECT_EQ(values, (std::map<std::string, std::string>{{"a", "x A\xe1\xba\xa1"}, {"b", ""}, {"c", ""}}));
    ASSERT_TRUE(UserDefault::parse("<userDefaultRoot/>", values));
    EXPECT_TRUE(values.empty());
}

} // namespace
