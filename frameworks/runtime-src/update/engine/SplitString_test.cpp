#include "update/engine/SplitString.h"

#include <gtest/gtest.h>

TEST(SplitString, WhitespaceRules) {
    const std::string ws = " \t\n";
    const struct {
        const char* text;
        std::vector<std::string> tokens;
    } cases[] = {
        {"", {""}},
        {"a", {"a"}},
        {"a b", {"a", "b"}},
        {"a  \t\n b", {"a", "b"}},
        {" a", {"", "a"}},
        {"a \n", {"a"}},
        {"   ", {""}},
        {"https://gw/x\r\n", {"https://gw/x\r"}},  // a carriage return stays inside its token
        {"SIGN 12", {"SIGN", "12"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> out;
        splitString(c.text, ws, out);
        EXPECT_EQ(out, c.tokens) << '"' << c.text << '"';
    }
}

TEST(SplitString, AppendsToTheList) {
    std::vector<std::string> out = {"kept"};
    splitString("1,404", ",", out);
    EXPECT_EQ(out, (std::vector<std::string>{"kept", "1", "404"}));
}
