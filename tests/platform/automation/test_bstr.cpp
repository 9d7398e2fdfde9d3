#include "automation/oleauto.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::uint32_t Prefix(BSTR s) {
    std::uint32_t n;
    std::memcpy(&n, reinterpret_cast<char*>(s) - 4, 4);
    return n;
}

TEST(Bstr, LayoutHasByteLengthPrefixAndZeroUnit) {
    BSTR s = SysAllocString(u"abc");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(Prefix(s), 6u);
    EXPECT_EQ(SysStringLen(s), 3u);
    EXPECT_EQ(SysStringByteLen(s), 6u);
    EXPECT_EQ(s[3], 0);
    EXPECT_EQ(std::u16string(s), u"abc");
    SysFreeString(s);
}

TEST(Bstr, NullAndEmptyInputs) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);  // must be harmless

    BSTR empty = SysAllocString(u"");
    ASSERT_NE(empty, nullptr);  // an empty string is not a null string
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);
}

TEST(Bstr, AllocLenFromNullGivesZeroedUnitsAndKeepsEmbeddedZeros) {
    BSTR z = SysAllocStringLen(nullptr, 5);
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(SysStringLen(z), 5u);
    for (int i = 0; i <= 5; ++i) EXPECT_EQ(z[i], 0) << i;
    SysFreeString(z);

    const char16_t text[] = {u'a', 0, u'b', u'c'};
    BSTR s = SysAllocStringLen(text, 4);
    EXPECT_EQ(SysStringLen(s), 4u);
    EXPECT_EQ(s[2], u'b');
    EXPECT_EQ(s[4], 0);
    SysFreeString(s);
}

TEST(Bstr, ByteLenKeepsOddLengthAndTerminates) {
    BSTR s = SysAllocStringByteLen("abc", 3);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringByteLen(s), 3u);
    EXPECT_EQ(SysStringLen(s), 1u);
    const char* bytes = reinterpret_cast<const char*>(s);
    EXPECT_EQ(std::memcmp(bytes, "abc\0\0", 5), 0);
    SysFreeString(s);
}

TEST(Bstr, ReallocFromItsOwnTail) {
    BSTR s = SysAllocString(u"hello world");
    ASSERT_TRUE(SysReAllocString(&s, s + 6));
    EXPECT_EQ(std::u16string(s), u"world");
    ASSERT_TRUE(SysReAllocStringLen(&s, s, 3));
    EXPECT_EQ(SysStringLen(s), 3u);
    EXPECT_EQ(std::u16string(s), u"wor");
    ASSERT_TRUE(SysReAllocString(&s, nullptr));
    EXPECT_EQ(s, nullptr);
    EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
}

}  // namespace
