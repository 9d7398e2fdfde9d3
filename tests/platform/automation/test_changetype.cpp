#include "automation/oleauto.h"
#include "variant_test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>

namespace {

struct Row {
    const char* name;
    VARIANT (*make)();
    VARTYPE to;
    USHORT flags;
    HRESULT hr;
    const char* expected;  // Describe() of the result; ignored on failure
};

#define V(expr) [] { return expr; }

const Row kRows[] = {
    // Reals to integers: half to even.
    {"2.5 to I4", V(MakeR8(2.5)), VT_I4, 0, S_OK, "I4:2"},
    {"3.5 to I4", V(MakeR8(3.5)), VT_I4, 0, S_OK, "I4:4"},
    {"-2.5 to I4", V(MakeR8(-2.5)), VT_I4, 0, S_OK, "I4:-2"},
    {"-3.5 to I2", V(MakeR8(-3.5)), VT_I2, 0, S_OK, "I2:-4"},
    {"0.4988 to I4", V(MakeR8(0.4988)), VT_I4, 0, S_OK, "I4:0"},
    {"0.5 to I8", V(MakeR8(0.5)), VT_I8, 0, S_OK, "I8:0"},
    {"1.5 to I8", V(MakeR8(1.5)), VT_I8, 0, S_OK, "I8:2"},
    {"2.6 to UI1", V(MakeR4(2.6f)), VT_UI1, 0, S_OK, "UI1:3"},
    {"10.0 to I4", V(MakeR8(10.0)), VT_I4, 0, S_OK, "I4:10"},
    {"22.05 to I8", V(MakeR8(22.05)), VT_I8, 0, S_OK, "I8:22"},
    {"CY 2.5 to I4", V(MakeCy(25000)), VT_I4, 0, S_OK, "I4:2"},
    {"CY -1.5 to I4", V(MakeCy(-15000)), VT_I4, 0, S_OK, "I4:-2"},
    {"date to I4", V(MakeDate(36526.75)), VT_I4, 0, S_OK, "I4:36527"},
    // Range limits.
    {"32767 to I2", V(MakeI4(32767)), VT_I2, 0, S_OK, "I2:32767"},
    {"32768 to I2", V(MakeI4(32768)), VT_I2, 0, DISP_E_OVERFLOW, ""},
    {"-1 to UI1", V(MakeI4(-1)), VT_UI1, 0, DISP_E_OVERFLOW, ""},
    {"-1 to UI4", V(MakeI2(-1)), VT_UI4, 0, DISP_E_OVERFLOW, ""},
    {"256 to UI1", V(MakeI4(256)), VT_UI1, 0, DISP_E_OVERFLOW, ""},
    {"128 to I1", V(MakeUI1(128)), VT_I1, 0, DISP_E_OVERFLOW, ""},
    {"2^31 to I4", V(MakeI8(2147483648LL)), VT_I4, 0, DISP_E_OVERFLOW, ""},
    {"2147483647.5 to I4", V(MakeR8(2147483647.5)), VT_I4, 0, DISP_E_OVERFLOW, ""},
    {"2147483646.5 to I4", V(MakeR8(2147483646.5)), VT_I4, 0, S_OK, "I4:2147483646"},
    {"UI8 max to I8", V(MakeUI8(~0ULL)), VT_I8, 0, DISP_E_OVERFLOW, ""},
    {"I8 min to UI8", V(MakeI8(INT64_MIN)), VT_UI8, 0, DISP_E_OVERFLOW, ""},
    {"UI4 max to I8", V(MakeUI4(0xFFFFFFFFu)), VT_I8, 0, S_OK, "I8:4294967295"},
    {"1e300 to R4", V(MakeR8(1e300)), VT_R4, 0, DISP_E_OVERFLOW, ""},
    {"1e19 to I8", V(MakeR8(1e19)), VT_I8, 0, DISP_E_OVERFLOW, ""},
    {"1e30 to CY", V(MakeR8(1e30)), VT_CY, 0, DISP_E_OVERFLOW, ""},
    {"1e7 to DATE", V(MakeR8(1e7)), VT_DATE, 0, DISP_E_OVERFLOW, ""},
    // Widening and reals.
    {"I2 to R8", V(MakeI2(-7)), VT_R8, 0, S_OK, "R8:-7"},
    {"R8 to R4", V(MakeR8(1.5)), VT_R4, 0, S_OK, "R4:1.5"},
    {"1.23456 to CY", V(MakeR8(1.23456)), VT_CY, 0, S_OK, "CY:12346"},
    {"0.00005 to CY", V(MakeR8(0.00005)), VT_CY, 0, S_OK, "CY:0"},
    {"CY to R8", V(MakeCy(15000)), VT_R8, 0, S_OK, "R8:1.5"},
    {"I4 to DECIMAL", V(MakeI4(-42)), VT_DECIMAL, 0, S_OK, "DEC:-42/e0"},
    {"R8 to DECIMAL", V(MakeR8(1.25)), VT_DECIMAL, 0, S_OK, "DEC:125/e2"},
    // Booleans.
    {"nonzero to BOOL", V(MakeI4(5)), VT_BOOL, 0, S_OK, "BOOL:-1"},
    {"0.1 to BOOL", V(MakeR8(0.1)), VT_BOOL, 0, S_OK, "BOOL:-1"},
    {"zero to BOOL", V(MakeR8(0)), VT_BOOL, 0, S_OK, "BOOL:0"},
    {"BOOL to I4", V(MakeBool(true)), VT_I4, 0, S_OK, "I4:-1"},
    {"BOOL to UI1", V(MakeBool(true)), VT_UI1, 0, DISP_E_OVERFLOW, ""},
    // Strings from values.
    {"R8 to BSTR", V(MakeR8(1.5)), VT_BSTR, 0, S_OK, "BSTR:1.5"},
    {"0.1 to BSTR", V(MakeR8(0.1)), VT_BSTR, 0, S_OK, "BSTR:0.1"},
    {"1/3 to BSTR", V(MakeR8(1.0 / 3)), VT_BSTR, 0, S_OK, "BSTR:0.333333333333333"},
    {"1e20 to BSTR", V(MakeR8(1e20)), VT_BSTR, 0, S_OK, "BSTR:1E+20"},
    {"R4 to BSTR", V(MakeR4(0.1f)), VT_BSTR, 0, S_OK, "BSTR:0.1"},
    {"I8 to BSTR", V(MakeI8(-9000000000LL)), VT_BSTR, 0, S_OK, "BSTR:-9000000000"},
    {"UI8 to BSTR", V(MakeUI8(18446744073709551615ULL)), VT_BSTR, 0, S_OK, "BSTR:18446744073709551615"},
    {"CY to BSTR", V(MakeCy(-12500)), VT_BSTR, 0, S_OK, "BSTR:-1.25"},
    {"true to BSTR", V(MakeBool(true)), VT_BSTR, 0, S_OK, "BSTR:-1"},
    {"false to BSTR", V(MakeBool(false)), VT_BSTR, 0, S_OK, "BSTR:0"},
    {"true alpha", V(MakeBool(true)), VT_BSTR, VARIANT_ALPHABOOL, S_OK, "BSTR:True"},
    {"false alpha", V(MakeBool(false)), VT_BSTR, VARIANT_ALPHABOOL, S_OK, "BSTR:False"},
    {"date to BSTR", V(MakeDate(36526.75)), VT_BSTR, 0, S_OK, "BSTR:1/1/2000 6:00:00 PM"},
    {"before 1900 to BSTR", V(MakeDate(-1.25)), VT_BSTR, 0, S_OK, "BSTR:12/29/1899 6:00:00 AM"},
    {"NaN date to BSTR", V(MakeDate(std::nan(""))), VT_BSTR, 0, DISP_E_OVERFLOW, ""},
    {"day 0 to BSTR", V(MakeDate(0)), VT_BSTR, 0, S_OK, "BSTR:12:00:00 AM"},
    {"EMPTY to BSTR", V(MakeEmpty()), VT_BSTR, 0, S_OK, "BSTR:"},
    {"ERROR to BSTR", V(MakeError(5)), VT_BSTR, 0, DISP_E_TYPEMISMATCH, ""},
    // Strings to values.
    {"'1.5' to R8", V(MakeBstr(u"1.5")), VT_R8, 0, S_OK, "R8:1.5"},
    {"' -2.5 ' to I4", V(MakeBstr(u" -2.5 ")), VT_I4, 0, S_OK, "I4:-2"},
    {"'2E+3' to I4", V(MakeBstr(u"2E+3")), VT_I4, 0, S_OK, "I4:2000"},
    {"'&HFF' to I4", V(MakeBstr(u"&HFF")), VT_I4, 0, S_OK, "I4:255"},
    {"I8 max text", V(MakeBstr(u"9223372036854775807")), VT_I8, 0, S_OK, "I8:9223372036854775807"},
    {"'70000' to I2", V(MakeBstr(u"70000")), VT_I2, 0, DISP_E_OVERFLOW, ""},
    {"'1,5' to R8", V(MakeBstr(u"1,5")), VT_R8, 0, DISP_E_TYPEMISMATCH, ""},
    {"'abc' to I4", V(MakeBstr(u"abc")), VT_I4, 0, DISP_E_TYPEMISMATCH, ""},
    {"'' to I4", V(MakeBstr(u"")), VT_I4, 0, DISP_E_TYPEMISMATCH, ""},
    {"'--5' to I4", V(MakeBstr(u"--5")), VT_I4, 0, DISP_E_TYPEMISMATCH, ""},
    {"'.5' to R8", V(MakeBstr(u".5")), VT_R8, 0, S_OK, "R8:0.5"},
    {"'0x10' to I4", V(MakeBstr(u"0x10")), VT_I4, 0, DISP_E_TYPEMISMATCH, ""},
    {"'inf' to R8", V(MakeBstr(u"inf")), VT_R8, 0, DISP_E_TYPEMISMATCH, ""},
    {"'True' to BOOL", V(MakeBstr(u"True")), VT_BOOL, 0, S_OK, "BOOL:-1"},
    {"'false' to BOOL", V(MakeBstr(u"false")), VT_BOOL, 0, S_OK, "BOOL:0"},
    {"'0' to BOOL", V(MakeBstr(u"0")), VT_BOOL, 0, S_OK, "BOOL:0"},
    {"'yes' to BOOL", V(MakeBstr(u"yes")), VT_BOOL, 0, DISP_E_TYPEMISMATCH, ""},
    {"'True' to I4", V(MakeBstr(u"True")), VT_I4, 0, DISP_E_TYPEMISMATCH, ""},
    // EMPTY, NULL, ERROR.
    {"EMPTY to I8", V(MakeEmpty()), VT_I8, 0, S_OK, "I8:0"},
    {"EMPTY to R8", V(MakeEmpty()), VT_R8, 0, S_OK, "R8:0"},
    {"EMPTY to BOOL", V(MakeEmpty()), VT_BOOL, 0, S_OK, "BOOL:0"},
    {"NULL to I4", V(MakeNull()), VT_I4, 0, DISP_E_TYPEMISMATCH, ""},
    {"NULL to BSTR", V(MakeNull()), VT_BSTR, 0, DISP_E_TYPEMISMATCH, ""},
    {"NULL to NULL", V(MakeNull()), VT_NULL, 0, S_OK, "NULL"},
    {"NULL to EMPTY", V(MakeNull()), VT_EMPTY, 0, S_OK, "EMPTY"},
    {"I4 to EMPTY", V(MakeI4(3)), VT_EMPTY, 0, S_OK, "EMPTY"},
    {"ERROR to I4", V(MakeError(-5)), VT_I4, 0, S_OK, "I4:-5"},
    {"ERROR to R8", V(MakeError(1)), VT_R8, 0, DISP_E_TYPEMISMATCH, ""},
    {"R8 to ERROR", V(MakeR8(1)), VT_ERROR, 0, DISP_E_TYPEMISMATCH, ""},
    {"I4 to UNKNOWN", V(MakeI4(1)), VT_UNKNOWN, 0, DISP_E_TYPEMISMATCH, ""},
};

TEST(VariantChangeType, ConversionTable) {
    for (const Row& row : kRows) {
        VARIANT src = row.make();
        VARIANT dst = MakeI4(-777);  // a failure must leave this untouched
        const HRESULT hr = VariantChangeType(&dst, &src, row.flags, row.to);
        EXPECT_EQ(hr, row.hr) << row.name;
        if (SUCCEEDED(row.hr))
            EXPECT_EQ(Describe(dst), row.expected) << row.name;
        else
            EXPECT_EQ(Describe(dst), "I4:-777") << row.name;
        VariantClear(&src);
        VariantClear(&dst);
    }
}

TEST(VariantChangeType, InPlaceChangeAndInPlaceFailure) {
    VARIANT v = MakeR8(3.5);
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);
    EXPECT_EQ(Describe(v), "I4:4");

    VARIANT big = MakeR8(5e9);
    EXPECT_EQ(VariantChangeType(&big, &big, 0, VT_I4), DISP_E_OVERFLOW);
    EXPECT_EQ(Describe(big), "R8:5000000000");  // the unconverted value stays

    VARIANT s = MakeBstr(u"42");
    ASSERT_EQ(VariantChangeType(&s, &s, 0, VT_I2), S_OK);  // the string is freed
    EXPECT_EQ(Describe(s), "I2:42");

    VARIANT n = MakeI4(7);
    ASSERT_EQ(VariantChangeType(&n, &n, 0, VT_BSTR), S_OK);
    EXPECT_EQ(Describe(n), "BSTR:7");
    VariantClear(&n);
}

TEST(VariantChangeType, ReferencesAreDereferenced) {
    DOUBLE d = 2.5;
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_R8 | VT_BYREF;
    ref.pdblVal = &d;
    VARIANT out = MakeEmpty();
    ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_I4), S_OK);
    EXPECT_EQ(Describe(out), "I4:2");

    VARIANT inner = MakeBstr(u"12");
    ref.vt = VT_VARIANT | VT_BYREF;
    ref.pvarVal = &inner;
    ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_UI2), S_OK);
    EXPECT_EQ(Describe(out), "UI2:12");
    EXPECT_EQ(Describe(inner), "BSTR:12");  // the referenced value is not touched
    VariantClear(&inner);

    // In place on a reference: the result replaces the reference itself.
    ref.vt = VT_R8 | VT_BYREF;
    ref.pdblVal = &d;
    ASSERT_EQ(VariantChangeType(&ref, &ref, 0, VT_I8), S_OK);
    EXPECT_EQ(Describe(ref), "I8:2");
    EXPECT_EQ(d, 2.5);
}

TEST(VariantChangeType, BadTypesAreRefused) {
    VARIANT v = MakeI4(1), out = MakeEmpty();
    EXPECT_EQ(VariantChangeType(&out, &v, 0, 0x7FF), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantChangeType(&out, &v, 0, VT_I4 | VT_BYREF), DISP_E_BADVARTYPE);
    v.vt = 15;  // unassigned type number
    EXPECT_EQ(VariantChangeType(&out, &v, 0, VT_I4), DISP_E_BADVARTYPE);
    EXPECT_EQ(out.vt, VT_EMPTY);
}

TEST(VariantChangeType, ByteArraysAndStrings) {
    VARIANT s = MakeBstr(u"AB");
    VARIANT a = MakeEmpty();
    ASSERT_EQ(VariantChangeType(&a, &s, 0, VT_ARRAY | VT_UI1), S_OK);
    ASSERT_EQ(a.vt, VT_ARRAY | VT_UI1);
    ASSERT_EQ(a.parray->rgsabound[0].cElements, 4u);
    EXPECT_EQ(static_cast<BYTE*>(a.parray->pvData)[0], 'A');
    VARIANT back = MakeEmpty();
    ASSERT_EQ(VariantChangeType(&back, &a, 0, VT_BSTR), S_OK);
    EXPECT_EQ(Describe(back), "BSTR:AB");
    VARIANT copy = MakeEmpty();
    ASSERT_EQ(VariantChangeType(&copy, &a, 0, VT_ARRAY | VT_UI1), S_OK);
    EXPECT_NE(copy.parray, a.parray);
    EXPECT_EQ(VariantChangeType(&copy, &a, 0, VT_ARRAY | VT_I2), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeType(&copy, &a, 0, VT_I4), DISP_E_TYPEMISMATCH);
    VariantClear(&s);
    VariantClear(&a);
    VariantClear(&back);
    VariantClear(&copy);
}

// An object with a default value, to check conversion through DISPID_VALUE.
struct ValueObject final : IDispatch {
    std::atomic<ULONG> refs{1};
    LONG value = 0;
    bool answers = true;
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                   UINT*) override {
        if (!answers || id != DISPID_VALUE || !(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        *result = MakeI4(value);
        return S_OK;
    }
};

TEST(VariantChangeType, ObjectsConvertThroughTheirValue) {
    ValueObject obj;
    obj.value = 41;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = &obj;
    VARIANT out = MakeEmpty();
    ASSERT_EQ(VariantChangeType(&out, &v, 0, VT_R8), S_OK);
    EXPECT_EQ(Describe(out), "R8:41");
    EXPECT_EQ(VariantChangeType(&out, &v, VARIANT_NOVALUEPROP, VT_R8), DISP_E_TYPEMISMATCH);
    obj.answers = false;
    EXPECT_EQ(VariantChangeType(&out, &v, 0, VT_I4), DISP_E_TYPEMISMATCH);

    ASSERT_EQ(VariantChangeType(&out, &v, 0, VT_UNKNOWN), S_OK);
    EXPECT_EQ(out.punkVal, static_cast<IUnknown*>(&obj));
    EXPECT_EQ(obj.refs, 2u);
    VariantClear(&out);
    EXPECT_EQ(obj.refs, 1u);
}

}  // namespace
