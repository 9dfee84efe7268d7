#include "platform/login/UrlParams.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ParamCase {
    const char* url;
    const char* name;
    const char* decoded;   // getQueryParam
    const char* raw;       // urlQueryParamRaw
    const char* fragment;  // urlFragmentParam
};

const ParamCase kCases[] = {
    {"zavu://tgdone?code=1000&userid=7", "code", "1000", "1000", ""},
    {"zavu://tgdone?code=1000&userid=7", "userid", "7", "7", ""},
    {"zavu://tgdone?code=1000&userid=7", "sign", "", "", ""},
    {"zavu://tgdone?code=&userid=7", "code", "", "", ""},
    // "+" is a blank and %XY a byte only in the decoded form.
    {"zavu://x?sign=ab%2Bc&rt=x+y", "sign", "ab+c", "ab%2Bc", ""},
    {"zavu://x?sign=ab%2Bc&rt=x+y", "rt", "x y", "x+y", ""},
    {"zavu://x?name=%C3%A1%c3%a1", "name", "\xC3\xA1\xC3\xA1", "%C3%A1%c3%a1", ""},
    // A "%" among the last two characters stays; a non-hex digit counts as 0.
    {"zavu://x?sign=a%4", "sign", "a%4", "a%4", ""},
    {"zavu://x?sign=a%", "sign", "a%", "a%", ""},
    {"zavu://x?sign=%4G1", "sign", "@1", "%4G1", ""},
    // The decoded query runs through "#"; the raw query stops there.
    {"zavu://gdone?code=1000&sign=s#frag", "sign", "s#frag", "s", ""},
    {"zavu://tgbind?code=1000&ticket=T#code=2&x=1", "ticket", "T#code=2", "T", ""},
    {"zavu://tgbind?code=1000&ticket=T#code=2&x=1", "x", "1", "", "1"},
    {"zavu://tgbind?code=1000&ticket=T#code=2&x=1", "code", "1000", "1000", "2"},
    // A match must follow the separator or "&".
    {"zavu://tgbind?xcode=1000&ticket=T", "code", "", "", ""},
    {"zavu://tgbind?xcode=1000&code=5", "code", "5", "5", ""},
    {"https://h/gcallback.php#state=a&id_token=T&x=1", "id_token", "", "", "T"},
    {"https://h/gcallback.php#xid_token=T", "id_token", "", "", ""},
    {"https://h/gcallback.php#id_token=T", "id_token", "", "", "T"},
    {"https://h/gcallback.php?id_token=Q#id_token=T", "id_token", "Q#id_token=T", "Q", "T"},
    // No "?" means no query, whatever follows.
    {"zavu://tgdone&code=1000", "code", "", "", ""},
    {"", "code", "", "", ""},
};

TEST(UrlParamsTest, QueryAndFragmentValues) {
    for (const ParamCase& c : kCases) {
        SCOPED_TRACE(std::string(c.url) + " / " + c.name);
        EXPECT_EQ(getQueryParam(c.url, c.name), c.decoded);
        EXPECT_EQ(urlQueryParamRaw(c.url, c.name), c.raw);
        EXPECT_EQ(urlFragmentParam(c.url, c.name), c.fragment);
    }
}

TEST(UrlParamsTest, PercentDecodingKeepsEmbeddedNul) {
    EXPECT_EQ(getQueryParam("zavu://x?v=a%00b", "v"), std::string("a\0b", 3));
}

}  // namespace
