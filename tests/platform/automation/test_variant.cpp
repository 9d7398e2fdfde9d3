#include "automation/oleauto.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

namespace {

struct CountedObject final : IUnknown {
    std::atomic<ULONG> refs{1};
    HRESULT QueryInterface(REFIID, void** ppv) override {
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
};

TEST(Variant, ClearReleasesWhatItOwns) {
    CountedObject obj;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_UNKNOWN;
    v.punkVal = &obj;
    obj.AddRef();
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(obj.refs, 1u);
    EXPECT_EQ(v.vt, VT_EMPTY);

    // A byref variant owns nothing: clearing it leaves the referenced string alone.
    BSTR s = SysAllocString(u"kept");
    v.vt = VT_BSTR | VT_BYREF;
    v.pbstrVal = &s;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(std::u16string(s), u"kept");
    SysFreeString(s);

    v.vt = 0x7FF;
    EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
}

TEST(Variant, ClearOfLockedArrayFailsAndKeepsIt) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ARRAY | VT_UI1;
    v.parray = SafeArrayCreateVector(VT_UI1, 0, 4);
    SafeArrayLock(v.parray);
    EXPECT_EQ(VariantClear(&v), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(v.vt, VT_ARRAY | VT_UI1);
    SafeArrayUnlock(v.parray);
    EXPECT_EQ(VariantClear(&v), S_OK);
}

TEST(Variant, CopyIsDeep) {
    VARIANT a, b;
    VariantInit(&a);
    VariantInit(&b);
    a.vt = VT_BSTR;
    a.bstrVal = SysAllocString(u"text");
    ASSERT_EQ(VariantCopy(&b, &a), S_OK);
    EXPECT_NE(a.bstrVal, b.bstrVal);
    EXPECT_EQ(std::u16string(b.bstrVal), u"text");
    VariantClear(&a);

    a.vt = VT_ARRAY | VT_I2;
    a.parray = SafeArrayCreateVector(VT_I2, 0, 3);
    static_cast<SHORT*>(a.parray->pvData)[2] = 7;
    ASSERT_EQ(VariantCopy(&b, &a), S_OK);  // replaces (and frees) the string in b
    EXPECT_NE(a.parray, b.parray);
    EXPECT_EQ(static_cast<SHORT*>(b.parray->pvData)[2], 7);
    EXPECT_EQ(VariantCopy(&a, &a), S_OK);  // self-copy is a no-op
    VariantClear(&a);
    VariantClear(&b);
}

TEST(Variant, CopyIndDereferences) {
    LONG n = 42;
    VARIANT ref, out;
    VariantInit(&ref);
    VariantInit(&out);
    ref.vt = VT_I4 | VT_BYREF;
    ref.plVal = &n;
    ASSERT_EQ(VariantCopyInd(&out, &ref), S_OK);
    EXPECT_EQ(out.vt, VT_I4);
    EXPECT_EQ(out.lVal, 42);

    BSTR s = SysAllocString(u"ref");
    ref.vt = VT_BSTR | VT_BYREF;
    ref.pbstrVal = &s;
    ASSERT_EQ(VariantCopyInd(&out, &ref), S_OK);
    EXPECT_EQ(out.vt, VT_BSTR);
    EXPECT_NE(out.bstrVal, s);
    EXPECT_EQ(std::u16string(out.bstrVal), u"ref");
    VariantClear(&out);

    VARIANT inner;
    VariantInit(&inner);
    inner.vt = VT_R8;
    inner.dblVal = 2.5;
    ref.vt = VT_VARIANT | VT_BYREF;
    ref.pvarVal = &inner;
    ASSERT_EQ(VariantCopyInd(&ref, &ref), S_OK);  // in place
    EXPECT_EQ(ref.vt, VT_R8);
    EXPECT_EQ(ref.dblVal, 2.5);
    SysFreeString(s);

    SAFEARRAY* arr = SafeArrayCreateVector(VT_UI1, 0, 2);
    ref.vt = VT_ARRAY | VT_UI1 | VT_BYREF;
    ref.pparray = &arr;
    ASSERT_EQ(VariantCopyInd(&out, &ref), S_OK);
    EXPECT_EQ(out.vt, VT_ARRAY | VT_UI1);
    EXPECT_NE(out.parray, arr);
    VariantClear(&out);
    SafeArrayDestroy(arr);
}

TEST(Variant, CopyRejectsBadTypes) {
    VARIANT a, b;
    VariantInit(&a);
    VariantInit(&b);
    a.vt = VT_VARIANT;  // only meaningful behind a reference
    EXPECT_EQ(VariantCopy(&b, &a), DISP_E_BADVARTYPE);
    a.vt = VT_NULL | VT_BYREF;
    EXPECT_EQ(VariantCopy(&b, &a), DISP_E_BADVARTYPE);
    EXPECT_EQ(b.vt, VT_EMPTY);
}

}  // namespace
