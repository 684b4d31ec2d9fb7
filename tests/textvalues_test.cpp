#include "textvalues.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

struct Case {
    std::string in;
    std::string out;
};

TEST(TextValues, QuoteValue) {
    const Case cases[] = {
        {"abc", "\"abc\""},
        {"", ""},
        {"a\"b", "\"a\"b\""}, // no escaping
        {std::string(300, 'x'), '"' + std::string(256, 'x') + '"'},
        {"ab\0cd"s, "\"ab\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuoteValue(c.in), c.out) << c.in;
}

TEST(TextValues, UnquoteValue) {
    const Case cases[] = {
        {"\"abc\"", "abc"},
        {"'abc'", "abc"},
        {"abc", "abc"},
        {"\"'\"abc", "abc"}, // every leading quote of either kind is skipped
        {"a'b\"c", "a"},     // then the first quote of either kind ends the text
        {"\"it's\"", "it"},
        {"a']", "a"},
        {std::string(256, 'y') + "'z", std::string(256, 'y')},
        {"", ""},
        {"\"\"", ""},
        {std::string(300, 'y'), std::string(256, 'y')},
        {std::string(256, 'y') + "\"", std::string(256, 'y')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UnquoteValue(c.in), c.out) << c.in;
}

TEST(TextValues, StripQuotes) {
    const Case cases[] = {
        {"\"Scout\"", "Scout"},
        {"a\"b", "ab"},
        {"it's", "it's"},
        {"", ""},
        {'"' + std::string(300, 'z') + '"', std::string(256, 'z')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StripQuotes(c.in), c.out) << c.in;
}

TEST(TextValues, CutTextAndFieldText) {
    EXPECT_EQ(CutText("abcdefghijklmnopqrst", 16), "abcdefghijklmnop");
    EXPECT_EQ(CutText("ab\0cd"s, 16), "ab");
    EXPECT_EQ(CutText("it's", 16), "it's");
    EXPECT_EQ(FieldText("abcdefghijklmnopqrst", 16), "abcdefghijklmnop");
    EXPECT_EQ(FieldText("ab\0cd"s, 16), "ab");
    EXPECT_EQ(FieldText("it's", 16), "it");
    EXPECT_EQ(FieldText("\"abc", 16), "");
}

} // namespace
