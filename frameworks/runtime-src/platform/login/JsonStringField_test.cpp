#include "platform/login/JsonStringField.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FieldCase {
    const char* json;
    const char* key;
    const char* value;
};

const FieldCase kCases[] = {
    {R"({"code": "1000", "userid": 12})", "code", "1000"},
    {R"({"code": "1000", "userid": 12})", "userid", "12"},
    {R"({"code":1000})", "code", "1000"},
    {"{\"timestamp\":\t-5}", "timestamp", "-5"},
    {R"({"rt": ""})", "rt", ""},
    {R"({"code": "1000"})", "sign", ""},
    // The first quoted key anywhere is the one read, nested or not.
    {R"({"data": {"code": "2001"}, "code": "1000"})", "code", "2001"},
    // Not a number, not a string: empty.
    {R"({"rt": null, "ok": true, "a": [1], "o": {"x": 1}})", "rt", ""},
    {R"({"ok": true})", "ok", ""},
    {R"({"a": [1]})", "a", ""},
    {R"({"n": 12.5})", "n", "12"},
    // Escapes of a JSON string are decoded.
    {R"({"rt": "a\/b\"c\\d"})", "rt", "a/b\"c\\d"},
    {R"({"name": "Tr\u1ea7n \u00e1"})", "name", "Tr\xE1\xBA\xA7n \xC3\xA1"},
    {R"({"e": "\ud83d\ude00"})", "e", "\xF0\x9F\x98\x80"},
    {R"({"t": "a\tb\nc"})", "t", "a\tb\nc"},
    // Broken strings give nothing rather than a piece.
    {R"({"rt": "abc)", "rt", ""},
    {R"({"rt": "ab\q"})", "rt", ""},
    {R"({"rt": "ab\u00"})", "rt", ""},
    {R"({"rt": "\ud83d"})", "rt", ""},
    {R"({"rt" "x"})", "rt", ""},
    {"", "code", ""},
};

TEST(JsonStringFieldTest, FirstKeyStringsAndNumbers) {
    for (const FieldCase& c : kCases) {
        SCOPED_TRACE(std::string(c.json) + " / " + c.key);
        EXPECT_EQ(jsonStringField(c.json, c.key), c.value);
    }
}

}  // namespace
