#include "automation/oleauto.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

// Counts its references, so copies and releases inside arrays can be checked.
struct CountedObject final : IUnknown {
    std::atomic<ULONG> refs{1};
    HRESULT QueryInterface(REFIID, void** ppv) override {
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }  // lives on the test's stack
};

TEST(SafeArray, VectorBoundsAndElementSize) {
    SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 5, 10);
    ASSERT_NE(sa, nullptr);
    LONG lb = 0, ub = 0;
    EXPECT_EQ(SafeArrayGetLBound(sa, 1, &lb), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(sa, 1, &ub), S_OK);
    EXPECT_EQ(lb, 5);
    EXPECT_EQ(ub, 14);
    EXPECT_EQ(SafeArrayGetDim(sa), 1u);
    EXPECT_EQ(SafeArrayGetElemsize(sa), 1u);
    EXPECT_EQ(SafeArrayGetUBound(sa, 2, &ub), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetLBound(sa, 0, &lb), DISP_E_BADINDEX);
    VARTYPE vt = 0;
    EXPECT_EQ(SafeArrayGetVartype(sa, &vt), S_OK);
    EXPECT_EQ(vt, VT_UI1);
    EXPECT_EQ(SafeArrayDestroy(sa), S_OK);
}

TEST(SafeArray, EmptyVectorHasUpperBoundBelowLower) {
    SAFEARRAY* sa = SafeArrayCreateVector(VT_I2, 0, 0);
    ASSERT_NE(sa, nullptr);
    LONG ub = 99;
    EXPECT_EQ(SafeArrayGetUBound(sa, 1, &ub), S_OK);
    EXPECT_EQ(ub, -1);
    void* data = nullptr;
    EXPECT_EQ(SafeArrayAccessData(sa, &data), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(sa), S_OK);
    EXPECT_EQ(SafeArrayDestroy(sa), S_OK);
}

TEST(SafeArray, UnknownElementTypeIsRefused) {
    EXPECT_EQ(SafeArrayCreateVector(VT_NULL, 0, 4), nullptr);
    EXPECT_EQ(SafeArrayCreateVector(0x7FF, 0, 4), nullptr);
    SAFEARRAYBOUND b{4, 0};
    EXPECT_EQ(SafeArrayCreate(VT_I4, 0, &b), nullptr);
}

TEST(SafeArray, LockedArrayCannotBeDestroyedOrResized) {
    SAFEARRAY* sa = SafeArrayCreateVector(VT_I2, 0, 4);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(sa, &data), S_OK);
    EXPECT_EQ(sa->cLocks, 1u);
    EXPECT_EQ(SafeArrayDestroy(sa), DISP_E_ARRAYISLOCKED);
    SAFEARRAYBOUND nb{8, 0};
    EXPECT_EQ(SafeArrayRedim(sa, &nb), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(sa), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(sa), E_UNEXPECTED);  // more unlocks than locks
    EXPECT_EQ(SafeArrayDestroy(sa), S_OK);
}

TEST(SafeArray, MultiDimensionalIndexingIsFirstDimensionFastest) {
    SAFEARRAYBOUND bounds[2] = {{3, 1}, {2, 10}};  // x in 1..3, y in 10..11
    SAFEARRAY* sa = SafeArrayCreate(VT_I4, 2, bounds);
    ASSERT_NE(sa, nullptr);
    LONG lb = 0;
    SafeArrayGetLBound(sa, 2, &lb);
    EXPECT_EQ(lb, 10);
    for (LONG y = 10; y <= 11; ++y)
        for (LONG x = 1; x <= 3; ++x) {
            LONG idx[2] = {x, y};
            LONG v = x * 100 + y;
            ASSERT_EQ(SafeArrayPutElement(sa, idx, &v), S_OK);
        }
    auto* cells = static_cast<LONG*>(sa->pvData);
    EXPECT_EQ(cells[0], 110);
    EXPECT_EQ(cells[1], 210);
    EXPECT_EQ(cells[3], 111);
    LONG bad[2] = {4, 10};
    LONG v = 0;
    EXPECT_EQ(SafeArrayGetElement(sa, bad, &v), DISP_E_BADINDEX);
    LONG ok[2] = {3, 11};
    EXPECT_EQ(SafeArrayGetElement(sa, ok, &v), S_OK);
    EXPECT_EQ(v, 311);
    SafeArrayDestroy(sa);
}

TEST(SafeArray, BstrElementsAreCopiedInAndOut) {
    SAFEARRAY* sa = SafeArrayCreateVector(VT_BSTR, 0, 2);
    BSTR s = SysAllocString(u"one");
    LONG i = 0;
    ASSERT_EQ(SafeArrayPutElement(sa, &i, s), S_OK);
    SysFreeString(s);  // the array holds its own copy
    BSTR out = nullptr;
    ASSERT_EQ(SafeArrayGetElement(sa, &i, &out), S_OK);
    EXPECT_EQ(std::u16string(out), u"one");
    BSTR stored = static_cast<BSTR*>(sa->pvData)[0];
    EXPECT_NE(out, stored);
    SysFreeString(out);

    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(sa, &copy), S_OK);
    BSTR copied = static_cast<BSTR*>(copy->pvData)[0];
    EXPECT_NE(copied, stored);
    EXPECT_EQ(std::u16string(copied), u"one");
    EXPECT_EQ(static_cast<BSTR*>(copy->pvData)[1], nullptr);
    SafeArrayDestroy(sa);
    EXPECT_EQ(std::u16string(static_cast<BSTR*>(copy->pvData)[0]), u"one");
    SafeArrayDestroy(copy);
}

TEST(SafeArray, InterfaceAndVariantElementsHoldReferences) {
    CountedObject obj;
    SAFEARRAY* sa = SafeArrayCreateVector(VT_UNKNOWN, 0, 1);
    LONG i = 0;
    SafeArrayPutElement(sa, &i, static_cast<IUnknown*>(&obj));
    EXPECT_EQ(obj.refs, 2u);
    SAFEARRAY* copy = nullptr;
    SafeArrayCopy(sa, &copy);
    EXPECT_EQ(obj.refs, 3u);
    SafeArrayDestroy(copy);
    SafeArrayDestroy(sa);
    EXPECT_EQ(obj.refs, 1u);

    SAFEARRAY* va = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(u"inner");
    SafeArrayPutElement(va, &i, &v);
    VariantClear(&v);
    VARIANT got;
    ASSERT_EQ(SafeArrayGetElement(va, &i, &got), S_OK);
    EXPECT_EQ(got.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(got.bstrVal), u"inner");
    VariantClear(&got);
    SafeArrayDestroy(va);
}

TEST(SafeArray, RedimGrowsWithZerosAndShrinkReleases) {
    SAFEARRAY* sa = SafeArrayCreateVector(VT_BSTR, 1, 3);
    BSTR x = SysAllocString(u"x");
    for (LONG i = 1; i <= 3; ++i) SafeArrayPutElement(sa, &i, x);
    SysFreeString(x);
    SAFEARRAYBOUND smaller{1, 1};
    ASSERT_EQ(SafeArrayRedim(sa, &smaller), S_OK);
    LONG ub = 0;
    SafeArrayGetUBound(sa, 1, &ub);
    EXPECT_EQ(ub, 1);
    SAFEARRAYBOUND larger{4, 1};
    ASSERT_EQ(SafeArrayRedim(sa, &larger), S_OK);
    auto* cells = static_cast<BSTR*>(sa->pvData);
    EXPECT_EQ(std::u16string(cells[0]), u"x");
    EXPECT_EQ(cells[1], nullptr);
    EXPECT_EQ(cells[3], nullptr);
    SafeArrayDestroy(sa);
}

}  // namespace
