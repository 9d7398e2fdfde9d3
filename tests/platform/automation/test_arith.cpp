#include "automation/oleauto.h"
#include "variant_test_util.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* name;
    VARIANT (*left)();
    VARIANT (*right)();
    HRESULT hr;
    const char* expected;
};

#define V(expr) [] { return expr; }

const Row kMul[] = {
    {"I2*I2 at the limit", V(MakeI2(100)), V(MakeI2(300)), S_OK, "I2:30000"},
    {"I2*I2 small", V(MakeI2(-3)), V(MakeI2(4)), S_OK, "I2:-12"},
    {"I2*I2 overflow", V(MakeI2(300)), V(MakeI2(300)), S_OK, "I4:90000"},
    {"UI1*UI1", V(MakeUI1(10)), V(MakeUI1(20)), S_OK, "UI1:200"},
    {"UI1*UI1 overflow", V(MakeUI1(255)), V(MakeUI1(2)), S_OK, "I2:510"},
    {"UI1*UI1 to I4", V(MakeUI1(255)), V(MakeUI1(255)), S_OK, "I4:65025"},
    {"I4*I4", V(MakeI4(1000)), V(MakeI4(1000)), S_OK, "I4:1000000"},
    {"I4*I4 widens", V(MakeI4(100000)), V(MakeI4(100000)), S_OK, "I8:10000000000"},
    {"I4*I8", V(MakeI4(441)), V(MakeI8(1000)), S_OK, "I8:441000"},
    {"I8*I8 overflow", V(MakeI8(1LL << 40)), V(MakeI8(1LL << 40)), DISP_E_OVERFLOW, ""},
    {"UI4*I2", V(MakeUI4(4000000000u)), V(MakeI2(2)), S_OK, "I8:8000000000"},
    {"BOOL*I2", V(MakeBool(true)), V(MakeI2(5)), S_OK, "I2:-5"},
    {"EMPTY*EMPTY", V(MakeEmpty()), V(MakeEmpty()), S_OK, "I2:0"},
    {"EMPTY*I4", V(MakeEmpty()), V(MakeI4(9)), S_OK, "I4:0"},
    {"R4*R4", V(MakeR4(1.5f)), V(MakeR4(2.0f)), S_OK, "R4:3"},
    {"R4*I2", V(MakeR4(1.5f)), V(MakeI2(3)), S_OK, "R4:4.5"},
    {"R4*I4", V(MakeR4(1.5f)), V(MakeI4(3)), S_OK, "R8:4.5"},
    {"R4*R4 beyond single", V(MakeR4(3e38f)), V(MakeR4(10.0f)), S_OK, "R8:3.0000000054977558e+39"},
    {"R8*I4", V(MakeR8(0.5)), V(MakeI4(3)), S_OK, "R8:1.5"},
    {"R8 overflow", V(MakeR8(1e300)), V(MakeR8(1e300)), DISP_E_OVERFLOW, ""},
    {"DATE*I2", V(MakeDate(2)), V(MakeI2(3)), S_OK, "R8:6"},
    {"CY*I4", V(MakeCy(15000)), V(MakeI4(3)), S_OK, "CY:45000"},
    {"CY*CY", V(MakeCy(15000)), V(MakeCy(25000)), S_OK, "CY:37500"},
    {"BSTR*I2", V(MakeBstr(u"1.5")), V(MakeI2(2)), S_OK, "R8:3"},
    {"BSTR*BSTR", V(MakeBstr(u"3")), V(MakeBstr(u"4")), S_OK, "R8:12"},
    {"bad BSTR", V(MakeBstr(u"x")), V(MakeI2(2)), DISP_E_TYPEMISMATCH, ""},
    {"NULL*I4", V(MakeNull()), V(MakeI4(3)), S_OK, "NULL"},
    {"I4*NULL", V(MakeI4(3)), V(MakeNull()), S_OK, "NULL"},
    {"NULL*EMPTY", V(MakeNull()), V(MakeEmpty()), S_OK, "NULL"},
    {"ERROR*I4", V(MakeError(1)), V(MakeI4(3)), DISP_E_TYPEMISMATCH, ""},
};

const Row kDiv[] = {
    {"I4/I4", V(MakeI4(441000)), V(MakeI4(44100)), S_OK, "R8:10"},
    {"I8/I8", V(MakeI8(22000)), V(MakeI8(44100)), S_OK, "R8:0.49886621315192742"},
    {"I2/I2", V(MakeI2(7)), V(MakeI2(2)), S_OK, "R8:3.5"},
    {"R4/R4", V(MakeR4(3.0f)), V(MakeR4(2.0f)), S_OK, "R4:1.5"},
    {"R4/I2", V(MakeR4(3.0f)), V(MakeI2(2)), S_OK, "R8:1.5"},
    {"CY/I4", V(MakeCy(30000)), V(MakeI4(2)), S_OK, "R8:1.5"},
    {"BSTR/I4", V(MakeBstr(u"9")), V(MakeI4(2)), S_OK, "R8:4.5"},
    {"x/0", V(MakeI8(5)), V(MakeI8(0)), DISP_E_DIVBYZERO, ""},
    {"x/0.0", V(MakeR8(-1)), V(MakeR8(0)), DISP_E_DIVBYZERO, ""},
    {"0/0", V(MakeI4(0)), V(MakeI4(0)), DISP_E_OVERFLOW, ""},
    {"x/EMPTY", V(MakeI4(3)), V(MakeEmpty()), DISP_E_DIVBYZERO, ""},
    {"EMPTY/x", V(MakeEmpty()), V(MakeI4(3)), S_OK, "R8:0"},
    {"EMPTY/EMPTY", V(MakeEmpty()), V(MakeEmpty()), DISP_E_OVERFLOW, ""},
    {"NULL/0", V(MakeNull()), V(MakeI4(0)), S_OK, "NULL"},
    {"x/NULL", V(MakeI4(1)), V(MakeNull()), S_OK, "NULL"},
};

void RunTable(const Row* rows, std::size_t count, HRESULT (*op)(VARIANT*, VARIANT*, VARIANT*)) {
    for (std::size_t i = 0; i < count; ++i) {
        const Row& row = rows[i];
        VARIANT l = row.left(), r = row.right(), out;
        VariantInit(&out);
        const HRESULT hr = op(&l, &r, &out);
        EXPECT_EQ(hr, row.hr) << row.name;
        if (SUCCEEDED(row.hr))
            EXPECT_EQ(Describe(out), row.expected) << row.name;
        else
            EXPECT_EQ(out.vt, VT_EMPTY) << row.name;  // a failed operation leaves the result empty
        VariantClear(&l);
        VariantClear(&r);
        VariantClear(&out);
    }
}

TEST(VarMul, ResultTypeTable) { RunTable(kMul, std::size(kMul), VarMul); }
TEST(VarDiv, ResultTypeTable) { RunTable(kDiv, std::size(kDiv), VarDiv); }

// frames x 1000 / rate, the millisecond conversion the array library builds on:
// multiply in place, divide, then change the quotient to an integer type.
HRESULT FramesToMs(VARIANT frames, LONG rate, VARTYPE to, VARIANT* out) {
    VARIANT thousand = MakeI8(1000), divisor = MakeI8(rate);
    HRESULT hr = VarMul(&frames, &thousand, &frames);
    if (FAILED(hr)) return hr;
    VARIANT quotient;
    VariantInit(&quotient);
    VarDiv(&frames, &divisor, &quotient);
    VariantClear(&frames);
    VariantInit(out);
    VariantCopy(out, &quotient);
    VariantClear(&quotient);
    VariantChangeType(out, out, 0, to);  // a failed change keeps the quotient
    return S_OK;
}

TEST(VariantArithmetic, MillisecondFigures) {
    struct Figure {
        LONG frames, rate;
        VARTYPE to;
        const char* expected;
    } figures[] = {
        {441, 44100, VT_I4, "I4:10"},
        {441, 44100, VT_I8, "I8:10"},
        {22, 44100, VT_I8, "I8:0"},  // 0.4988...
        {1, 2000, VT_I8, "I8:0"},    // 0.5 goes to the even neighbour
        {3, 2000, VT_I8, "I8:2"},    // 1.5 likewise
        {5, 2000, VT_I4, "I4:2"},    // 2.5
        {7, 2000, VT_I4, "I4:4"},    // 3.5
        {1, 0, VT_I8, "I8:0"},       // division by zero: empty quotient, which changes to 0
    };
    for (const Figure& f : figures) {
        VARIANT ms;
        ASSERT_EQ(FramesToMs(MakeI4(f.frames), f.rate, f.to, &ms), S_OK);
        EXPECT_EQ(Describe(ms), f.expected) << f.frames << " at " << f.rate;
        VariantClear(&ms);
    }
    // A quotient that does not fit the 32-bit type stays as it was.
    VARIANT ms;
    ASSERT_EQ(FramesToMs(MakeI8(5000000000000LL), 1000, VT_I4, &ms), S_OK);
    EXPECT_EQ(Describe(ms), "R8:5000000000000");
    // A null count gives a null result.
    ASSERT_EQ(FramesToMs(MakeNull(), 44100, VT_I8, &ms), S_OK);
    EXPECT_EQ(Describe(ms), "NULL");
}

TEST(VariantArithmetic, ResultMayBeAnOperand) {
    VARIANT s = MakeBstr(u"2.5");
    VARIANT two = MakeI2(2);
    ASSERT_EQ(VarMul(&s, &two, &s), S_OK);  // the string held by s is released
    EXPECT_EQ(Describe(s), "R8:5");
    ASSERT_EQ(VarDiv(&two, &s, &two), S_OK);
    EXPECT_EQ(Describe(two), "R8:0.40000000000000002");
    VARIANT zero = MakeI4(0);
    VARIANT keep = MakeI4(8);
    EXPECT_EQ(VarDiv(&keep, &zero, &keep), DISP_E_DIVBYZERO);
    EXPECT_EQ(Describe(keep), "I4:8");  // an operand used as result is left alone on failure
}

TEST(VariantArithmetic, ReferencedOperands) {
    LONG n = 6;
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_I4 | VT_BYREF;
    ref.plVal = &n;
    VARIANT three = MakeI2(3), out;
    VariantInit(&out);
    ASSERT_EQ(VarMul(&ref, &three, &out), S_OK);
    EXPECT_EQ(Describe(out), "I4:18");
    ASSERT_EQ(VarDiv(&ref, &three, &out), S_OK);
    EXPECT_EQ(Describe(out), "R8:2");
    EXPECT_EQ(n, 6);
    VARIANT bad;
    VariantInit(&bad);
    bad.vt = 0x7FF;
    EXPECT_EQ(VarMul(&bad, &three, &out), DISP_E_BADVARTYPE);
}

}  // namespace
