#include "textvalues.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

struct Case {
    std::string in;
    std::string out;
};

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

} // namespace
