#include "text/codepage.h"

#include "automation/oleauto.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace platform::text;

namespace {

TEST(Codepage, Cp1252MapsEveryByte) {
    struct {
        unsigned char byte;
        char16_t unit;
    } rows[] = {
        {0x41, u'A'},     {0x80, 0x20AC}, {0x81, 0x0081}, {0x8D, 0x008D}, {0x8F, 0x008F},
        {0x90, 0x0090},   {0x9D, 0x009D}, {0x92, 0x2019}, {0x9F, 0x0178}, {0xA0, 0x00A0},
        {0xE9, 0x00E9},   {0xFF, 0x00FF}, {0x00, 0x0000},
    };
    for (auto r : rows) EXPECT_EQ(Cp1252ToUnicode(r.byte), r.unit) << int(r.byte);
    // Every byte maps to a distinct character, so a round trip through 1252 is lossless.
    for (int b = 0; b < 256; ++b) {
        const char in = static_cast<char>(b);
        char16_t w = 0;
        ASSERT_EQ(MultiByteToWideChar(CP_WINDOWS_1252, 0, &in, 1, &w, 1), 1);
        char back = 0;
        BOOL used = TRUE;
        ASSERT_EQ(WideCharToMultiByte(CP_WINDOWS_1252, 0, &w, 1, &back, 1, nullptr, &used), 1);
        EXPECT_EQ(static_cast<unsigned char>(back), b);
        EXPECT_FALSE(used);
    }
}

TEST(Codepage, AnsiReadsUtf8OrFallsBackTo1252) {
    struct {
        const char* bytes;
        std::u16string text;
    } rows[] = {
        {"plain", u"plain"},
        {"Caf\xC3\xA9", u"Caf\u00E9"},          // valid UTF-8
        {"Caf\xE9", u"Caf\u00E9"},              // Latin-1 / 1252 byte
        {"\x93quoted\x94", u"\u201Cquoted\u201D"},
        {"\xC3\xA9 and \xE9", u"\u00C3\u00A9 and \u00E9"},  // not UTF-8 as a whole: all 1252
        {"\xF0\x9F\x8E\xB5", u"\U0001F3B5"},    // 4-byte sequence -> surrogate pair
        {"\xED\xA0\x80", u"\u00ED\u00A0\u20AC"},  // an encoded surrogate is not UTF-8
        {"\xC0\xAF", u"\u00C0\u00AF"},           // overlong form is not UTF-8
    };
    for (const auto& r : rows) EXPECT_EQ(FromAnsi(r.bytes), r.text) << r.bytes;
}

TEST(Codepage, ToAnsiNeverLosesCharactersAndReplacesLoneSurrogates) {
    EXPECT_EQ(ToAnsi(u"\u00E9\u20AC\U0001F3B5"), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5");
    const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0};
    EXPECT_EQ(ToAnsi(lone), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
    const char16_t reversed[] = {0xDC00, 0xD800, 0};
    EXPECT_EQ(ToAnsi(reversed), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(FromAnsi(ToAnsi(u"\u4E2D\u6587 \u00FC")), u"\u4E2D\u6587 \u00FC");
}

TEST(Codepage, Utf8DecodingReplacesBadSequences) {
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("a\xE2\x82"), u"a\uFFFD");  // truncated at the end
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
}

TEST(Codepage, TruncateNeverSplitsACharacter) {
    const std::string text = "ab\xC3\xA9" "c\xE2\x82\xAC";  // a b é c €
    struct {
        std::size_t max;
        const char* expected;
    } rows[] = {
        {0, ""}, {2, "ab"}, {3, "ab"}, {4, "ab\xC3\xA9"}, {5, "ab\xC3\xA9" "c"},
        {6, "ab\xC3\xA9" "c"}, {7, "ab\xC3\xA9" "c"}, {8, "ab\xC3\xA9" "c\xE2\x82\xAC"}, {100, "ab\xC3\xA9" "c\xE2\x82\xAC"},
    };
    for (auto r : rows) EXPECT_EQ(TruncateUtf8(text, r.max), r.expected) << r.max;
    // Single-byte text is cut where asked, even on bytes that look like continuations.
    EXPECT_EQ(TruncateUtf8("\xE9\xA9\xE9", 2), std::string_view("\xE9\xA9"));
}

TEST(Codepage, FixedFieldsArePaddedAndCut) {
    char field[6];
    std::memset(field, 'x', sizeof field);
    WriteFixedField(u"ab", field, sizeof field);
    EXPECT_EQ(std::memcmp(field, "ab\0\0\0\0", 6), 0);
    WriteFixedField(u"abcd\u00E9", field, sizeof field);  // 6 bytes exactly: no terminator
    EXPECT_EQ(std::memcmp(field, "abcd\xC3\xA9", 6), 0);
    EXPECT_EQ(ReadFixedField(field, sizeof field), u"abcd\u00E9");
    WriteFixedField(u"abcde\u00E9", field, sizeof field);  // é would straddle the end
    EXPECT_EQ(std::memcmp(field, "abcde\0", 6), 0);
    EXPECT_EQ(ReadFixedField(field, sizeof field), u"abcde");
    const char latin[4] = {'\xE9', 't', '\xE9', '\0'};
    EXPECT_EQ(ReadFixedField(latin, 4), u"\u00E9t\u00E9");
}

TEST(Codepage, WindowsEntryPointsFollowTheSizeProtocol) {
    // Size query, then conversion including the terminator.
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "h\xC3\xA9", -1, nullptr, 0), 3);
    char16_t w[3];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "h\xC3\xA9", -1, w, 3), 3);
    EXPECT_EQ(std::u16string(w), u"h\u00E9");
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "h\xC3\xA9", -1, w, 2), 0);  // too small
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xFF", 1, w, 3), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xFF", 1, w, 3), 1);
    EXPECT_EQ(w[0], 0xFFFD);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xFF", 1, w, 3), 1);
    EXPECT_EQ(w[0], 0x00FF);
    EXPECT_EQ(MultiByteToWideChar(437, 0, "a", 1, w, 3), 0);  // page we do not have

    char out[8];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", -1, nullptr, 0, nullptr, nullptr), 4);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", -1, out, 8, nullptr, nullptr), 4);
    EXPECT_STREQ(out, "\xE2\x82\xAC");
    BOOL used = FALSE;
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, out, 8, nullptr, &used), 0);
    EXPECT_EQ(WideCharToMultiByte(CP_WINDOWS_1252, 0, u"\u20AC\u4E2D", 2, out, 8, "_", &used), 2);
    EXPECT_EQ(std::string(out, 2), "\x80_");
    EXPECT_TRUE(used);
    // A tag character the page lacks is replaced like any other, not dropped.
    EXPECT_EQ(WideCharToMultiByte(CP_LATIN1, 0, u"\U000E0041a", 3, out, 8, nullptr, &used), 2);
    EXPECT_EQ(std::string(out, 2), "?a");
    EXPECT_TRUE(used);
    const char16_t lone[] = {0xD800};
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, 1, out, 8, nullptr, nullptr), 0);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, lone, 1, out, 8, nullptr, &used), 3);
    EXPECT_TRUE(used);
}

TEST(Codepage, BstrHelpers) {
    BSTR b = Utf8ToBstr("na\xC3\xAFve");
    EXPECT_EQ(SysStringLen(b), 5u);
    EXPECT_EQ(BstrToUtf8(b), "na\xC3\xAFve");
    SysFreeString(b);
    EXPECT_EQ(BstrToUtf8(nullptr), "");
    b = AnsiToBstr("na\xEFve");  // 1252 input
    EXPECT_EQ(std::u16string(b), u"na\u00EFve");
    EXPECT_EQ(BstrToAnsi(b), "na\xC3\xAFve");
    SysFreeString(b);
    b = Utf8ToBstr("");
    ASSERT_NE(b, nullptr);  // empty, not absent
    SysFreeString(b);
}

}  // namespace
