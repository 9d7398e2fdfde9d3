// Conversion rules of the tag texts, as tables.
#include <gtest/gtest.h>

#include "OggVorbis.h"
#include "tagtext.h"

namespace {

TEST(TagText, Utf8ToWide) {
    struct Row {
        std::string in;
        std::u16string out;
    };
    const Row rows[] = {
        {"", u""},
        {"abc", u"abc"},
        {"\xC3\xA9t\xC3\xA9", u"été"},
        {"\xE6\x9D\xB1\xE4\xBA\xAC", u"東京"},
        {"\xF0\x9F\x8E\xB5!", u"\U0001F3B5!"},         // four bytes -> surrogate pair
        {"ab\xC3", u"ab"},                              // truncated at the end
        {"ab\xE6\x9D", u"ab"},                          // truncated three-byte sequence
        {"a\xC3(b", u"a"},                              // trailing byte of the wrong form
        {"a\x80z", u"a"},                               // a stray trailing byte
        {"a\xC0\xAFz", u"a"},                           // overlong "/"
        {"a\xED\xA0\x80z", u"a"},                       // an encoded surrogate
        {"a\xF4\x90\x80\x80z", u"a"},                   // above U+10FFFF
        {"a\xFFz", u"a"},
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const Row& row : rows) EXPECT_EQ(tagtext::Utf8ToWide(row.in), row.out) << row.in;
}

TEST(TagText, WideToUtf8) {
    struct Row {
        std::u16string in;
        std::string out;
    };
    const Row rows[] = {
        {u"", ""},
        {u"A\u007F", "A\x7F"},
        {u"\u0080\u07FF", "\xC2\x80\xDF\xBF"},
        {u"\u0800\uFFFF", "\xE0\xA0\x80\xEF\xBF\xBF"},
        {u"\U0001F3B5", "\xF0\x9F\x8E\xB5"},
        {std::u16string(1, char16_t(0xD800)) + u"x", "\xEF\xBF\xBDx"},  // lone high surrogate
        {std::u16string(1, char16_t(0xDC00)), "\xEF\xBF\xBD"},         // lone low surrogate
    };
    for (const Row& row : rows) EXPECT_EQ(tagtext::WideToUtf8(row.in), row.out);
}

TEST(TagText, TrimDropsControlsAndBlanks) {
    EXPECT_EQ(tagtext::Trim(" \t\r\n x y \x01"), "x y");
    EXPECT_EQ(tagtext::Trim(std::string_view("v\0\0\0", 4)), "v");
    EXPECT_EQ(tagtext::Trim("\x20\x20"), "");
    EXPECT_EQ(tagtext::Trim("\xC3\xA9"), "\xC3\xA9");  // bytes above 0x20 stay
}

TEST(TagText, AnsiIsUtf8WithWindows1252Fallback) {
    EXPECT_EQ(tagtext::FromAnsi("caf\xC3\xA9"), u"café");
    EXPECT_EQ(tagtext::FromAnsi("caf\xE9"), u"café");     // not UTF-8: read as Windows-1252
    EXPECT_EQ(tagtext::FromAnsi("\x80\x81\x9F"), u"€\u0081Ÿ");
    EXPECT_EQ(tagtext::ToAnsi(u"東京"), "\xE6\x9D\xB1\xE4\xBA\xAC");
    EXPECT_EQ(tagtext::ToAnsi(tagtext::FromAnsi("\xF0\x9F\x8E\xB5")), "\xF0\x9F\x8E\xB5");
}

TEST(TagText, TruncateAnsiKeepsWholeCharacters) {
    struct Row {
        std::string in;
        std::size_t max;
        std::string out;
    };
    const Row rows[] = {
        {"abcdef", 3, "abc"},
        {"ab", 5, "ab"},
        {"a\xC3\xA9", 2, "a"},                  // é would be split
        {"a\xC3\xA9", 3, "a\xC3\xA9"},
        {"\xE6\x9D\xB1\xE4\xBA\xAC", 5, "\xE6\x9D\xB1"},
        {"\xE9\xE9\xE9", 2, "\xE9\xE9"},        // single Windows-1252 bytes
        {std::string(300, 'x'), 255, std::string(255, 'x')},
    };
    for (const Row& row : rows) EXPECT_EQ(tagtext::TruncateAnsi(row.in, row.max), row.out) << row.in;
}

TEST(TagText, ParseTrackNumber) {
    struct Row {
        const char* in;
        int out;
    };
    const Row rows[] = {
        {"3/12", 3}, {"7", 7},     {"x", 0},      {"300", 300}, {"", 0},     {"/5", 0},  {" 9", 9},
        {"+4", 4},   {"-2", -2},   {"4x", 0},     {"4 ", 0},    {"1/2/3", 1}, {"++1", 0}, {"0x10", 0},
        {"99999999999", 0},  // out of range is not an integer
    };
    for (const Row& row : rows) EXPECT_EQ(ParseTrackNumber(row.in), row.out) << row.in;
}

}  // namespace
