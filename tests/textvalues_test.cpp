#include "codepage.h"
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

// Every byte has a character as Windows shows it, and every such character
// gives back its byte: the editor keeps a file's bytes through its text.
TEST(CodePage, EveryByteComesBack) {
    for (int byte = 0; byte < 256; ++byte) {
        const char16_t c = CharOfByte(static_cast<unsigned char>(byte));
        EXPECT_EQ(ByteOfChar(c), byte);
        EXPECT_EQ(c == byte, byte < 0x80 || byte >= 0xA0 || IsUnnamedByte(byte)) << byte;
    }
    EXPECT_EQ(CharOfByte(0x80), u'\u20ac');
    EXPECT_EQ(ByteOfChar(u'\u0416'), -1);
    EXPECT_EQ(ByteOfChar(u'\u0080'), -1); // a control character Windows does not show
    EXPECT_EQ(Utf8FromBytes("a\x80\x81\xE9"), "a\xE2\x82\xAC\xC2\x81\xC3\xA9");
}

} // namespace
