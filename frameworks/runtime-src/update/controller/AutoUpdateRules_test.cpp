#include "update/controller/AutoUpdateRules.h"

#include "update/controller/AutoUpdateTestSupport.h"
#include "update/engine/UpdateAnswerLimit.h"
#include "update/controller/UpdateTexts.h"

#include <gtest/gtest.h>

namespace {

using Kind = GatewayAnswer::Kind;

// Deeper than a recursive parser's frames fit on the main thread's stack.
constexpr size_t kDeep = 40000;
const std::string kOpenArrays(kDeep, '[');
const std::string kNestedArrays = kOpenArrays + std::string(kDeep, ']');

TEST(GatewayAnswer, WhatTheBodySays) {
    const struct {
        std::string body;
        Kind kind;
        int parseError;
        std::string resUrl;
    } cases[] = {
        {R"({"Res":"https://p/res/list.json"})", Kind::Res, 0, "https://p/res/list.json"},
        {R"({"x":1,"Res":"u","y":[]})", Kind::Res, 0, "u"},
        {"{}", Kind::NoRes, 0, ""},
        {R"({"Res":""})", Kind::NoRes, 0, ""},
        // Not what the gateway should send, and nothing to read a string from.
        {R"({"Res":5})", Kind::NoRes, 0, ""},
        {R"({"Res":null})", Kind::NoRes, 0, ""},
        {R"({"Res":{"url":"u"}})", Kind::NoRes, 0, ""},
        {R"(["Res"])", Kind::NoRes, 0, ""},
        {R"("Res")", Kind::NoRes, 0, ""},
        {"42", Kind::NoRes, 0, ""},
        {std::string(R"({"Res":"\u0000u"})"), Kind::NoRes, 0, ""},  // empty up to its NUL
        {"", Kind::NotJson, 1, ""},
        {"  \n", Kind::NotJson, 1, ""},
        {"{} trailing", Kind::NotJson, 2, ""},
        {"not json", Kind::NotJson, 3, ""},
        {"<html>404</html>", Kind::NotJson, 3, ""},
        {std::string("{}\0garbage", 9), Kind::NoRes, 0, ""},  // the document ends at a NUL
        {"\xEF\xBB\xBF{}", Kind::NotJson, 3, ""},          // a byte-order mark is no JSON
        // Hostile depth: an error or a value, never the end of the stack.
        {kOpenArrays, Kind::NotJson, 3, ""},
        {kNestedArrays, Kind::NoRes, 0, ""},
        {R"({"x":)" + kNestedArrays + R"(,"Res":"u"})", Kind::Res, 0, "u"},
        // The deepest answer the size cap lets through still parses in the 32-bit memory.
        {std::string(kMaxUpdateAnswerBytes, '['), Kind::NotJson, 3, ""},
    };
    for (const auto& c : cases) {
        const GatewayAnswer answer = readGatewayAnswer(c.body);
        EXPECT_EQ(answer.kind, c.kind) << c.body;
        EXPECT_EQ(answer.parseError, c.parseError) << c.body;
        EXPECT_EQ(answer.resUrl, c.resUrl) << c.body;
    }
}

TEST(UpdaterErrorText, ChosenByIdAndHttpStatus) {
    autoupdatetest::TextsSnapshot keep;
    reserr_0 = "local";
    reserr_1_0 = "download";
    reserr_1_1 = "missing";
    reserr_2 = "md5";
    reserr_3 = "unpack";
    const struct {
        int eid;
        std::string msg;
        std::string text;
    } cases[] = {
        {0, "ignored", "local"},
        {1, "22,404", "missing"},
        {1, "0,404", "missing"},
        {1, "28,0", "download 28,0"},
        {1, "22,500", "download 22,500"},
        {1, "404", "download 404"},          // one part only
        {1, "22,404,1", "download 22,404,1"},  // three parts
        {1, "22,4040", "download 22,4040"},
        {1, "", "download "},
        {2, "x", "md5"},
        {3, "x", "unpack"},
        {4, "x", "unkown"},
        {7, "22,404", "unkown"},
        {-1, "", "unkown"},
    };
    for (const auto& c : cases) EXPECT_EQ(updaterErrorText(c.eid, c.msg), c.text) << c.eid << " '" << c.msg << "'";
}

}  // namespace
