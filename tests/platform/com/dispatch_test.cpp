// The table-driven IDispatch on a local object: argument conversion and matching, [out]
// targets, failures with their DISP_E_* codes, type information and table checks.
#include "com/dispatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/registry.h"

namespace {

using namespace platform;

inline constexpr IID IID_IProbe =
    PLATFORM_GUID(0x0B7E1C01, 0x1111, 0x4222, 0x83, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99);

struct Pair {
    LONG a;
    LONG b;
};

struct IProbe : IDispatch {
    STDMETHOD(Scalars)
    (SHORT s, LONG l, LONGLONG ll, BYTE b, USHORT us, ULONG ul, float f, double d, VARIANT_BOOL flag,
     BSTR text, LONG* checksum) = 0;
    STDMETHOD(Outs)(LONG* l, BSTR* text, VARIANT* v, SAFEARRAY** array, double* d) = 0;
    STDMETHOD(Swap)(Pair* pair) = 0;
    STDMETHOD(Fail)() = 0;
    STDMETHOD(Unnamed)(LONG a, LONG b, LONG* r) = 0;
    STDMETHOD(get_Item)(LONG index, BSTR* value) = 0;
    STDMETHOD(put_Item)(LONG index, BSTR value) = 0;
    STDMETHOD(Object)(IDispatch* object, IUnknown** same) = 0;
    STDMETHOD(InRef)(VARIANT* v, LONG* vt) = 0;
    STDMETHOD(get_Last)(Pair* value) = 0;
    STDMETHOD(put_Last)(Pair* value) = 0;
};

const DispInterface& ProbeTable() {
    static const DispInterface table{
        u"IProbe",
        IID_IProbe,
        u"IProbe Interface",
        {
            Method<&IProbe::Scalars>(u"Scalars", 1, u"method Scalars",
                                     {{u"s"},
                                      {u"l"},
                                      {u"ll"},
                                      {u"b"},
                                      {u"us"},
                                      {u"ul"},
                                      {u"f"},
                                      {u"d"},
                                      {u"flag", VT_BOOL},
                                      {u"text"},
                                      {u"checksum", VT_I4, kRetval}}),
            Method<&IProbe::Outs>(u"Outs", 2, u"method Outs",
                                  {{u"l", VT_I4, kOut},
                                   {u"text", VT_BSTR, kOut},
                                   {u"v", VT_VARIANT, kOut},
                                   {u"array", VT_ARRAY | VT_UI1, kOut},
                                   {u"d", VT_R8, kOut}}),
            Method<&IProbe::Swap>(u"Swap", 3, u"method Swap", {{u"pair", VT_RECORD, kInOut}}),
            Method<&IProbe::Fail>(u"Fail", 4, u"method Fail"),
            Method<&IProbe::Unnamed>(u"Unnamed", 5, nullptr,
                                     {{nullptr}, {nullptr}, {nullptr, VT_I4, kRetval}}),
            Member<&IProbe::get_Item>(DispKind::Get, u"Item", 6, u"property Item",
                                      {{u"index"}, {u"value", VT_BSTR, kRetval}}),
            Member<&IProbe::put_Item>(DispKind::Put, u"Item", 6, u"property Item", {{u"index"}, {u"value"}}),
            Method<&IProbe::Object>(u"Object", 7, nullptr, {{u"object"}, {u"same", VT_UNKNOWN, kRetval}}),
            Method<&IProbe::InRef>(u"InRef", 8, nullptr, {{u"v", VT_VARIANT, kIn}, {u"vt", VT_I4, kRetval}}),
            Get<&IProbe::get_Last>(u"Last", 9, u"property Last", VT_RECORD),
            Put<&IProbe::put_Last>(u"Last", 9, u"property Last", VT_RECORD),
        }};
    return table;
}

class Probe final : public DispatchImpl<IProbe> {
public:
    Probe() : DispatchImpl(ProbeTable()) {}
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IProbe) {
            *ppv = static_cast<IProbe*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
    STDMETHOD_(ULONG, Release)() override { return --refs; }  // lives on the test's stack

    STDMETHOD(Scalars)
    (SHORT s, LONG l, LONGLONG ll, BYTE b, USHORT us, ULONG ul, float f, double d, VARIANT_BOOL flag,
     BSTR text, LONG* checksum) override {
        seen = {double(s),  double(l), double(ll), double(b),   double(us),
                double(ul), double(f), d,          double(flag)};
        seenText = text ? std::u16string(text, SysStringLen(text)) : u"<null>";
        *checksum = LONG(s + l + ll + b + us + ul);
        return S_OK;
    }
    STDMETHOD(Outs)(LONG* l, BSTR* text, VARIANT* v, SAFEARRAY** array, double* d) override {
        *l = 42;
        *text = SysAllocString(u"out");
        VariantInit(v);
        v->vt = VT_I2;
        v->iVal = 7;
        *array = SafeArrayCreateVector(VT_UI1, 0, 3);
        *d = 2.5;
        return S_OK;
    }
    STDMETHOD(Swap)(Pair* pair) override {
        std::swap(pair->a, pair->b);
        return S_OK;
    }
    STDMETHOD(Fail)() override {
        ICreateErrorInfo* create = nullptr;
        CreateErrorInfo(&create);
        create->SetSource(const_cast<LPOLESTR>(u"Probe.Source"));
        create->SetDescription(const_cast<LPOLESTR>(u"Probe failed."));
        IErrorInfo* info = nullptr;
        create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
        SetErrorInfo(0, info);
        info->Release();
        create->Release();
        return (HRESULT)0x8004030A;
    }
    STDMETHOD(Unnamed)(LONG a, LONG b, LONG* r) override {
        *r = a - b;
        return S_OK;
    }
    STDMETHOD(get_Item)(LONG index, BSTR* value) override {
        if (index < 0 || index >= LONG(items.size())) return E_INVALIDARG;
        *value = SysAllocString(items[index].c_str());
        return S_OK;
    }
    STDMETHOD(put_Item)(LONG index, BSTR value) override {
        if (index < 0) return E_INVALIDARG;
        if (index >= LONG(items.size())) items.resize(index + 1);
        items[index] = value ? value : u"";
        return S_OK;
    }
    STDMETHOD(Object)(IDispatch* object, IUnknown** same) override {
        *same = object;
        if (object) object->AddRef();
        return S_OK;
    }
    STDMETHOD(InRef)(VARIANT* v, LONG* vt) override {
        *vt = v ? v->vt : -1;
        return S_OK;
    }

    STDMETHOD(get_Last)(Pair* value) override {
        if (!value) return E_POINTER;
        *value = last;
        return S_OK;
    }
    STDMETHOD(put_Last)(Pair* value) override {
        if (!value) return E_POINTER;
        last = *value;
        return S_OK;
    }

    ULONG refs = 1;
    Pair last{0, 0};
    std::vector<double> seen;
    std::u16string seenText;
    std::vector<std::u16string> items;
};

VARIANT I4(LONG v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_I4;
    x.lVal = v;
    return x;
}
VARIANT R8(double v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_R8;
    x.dblVal = v;
    return x;
}
VARIANT Str(const OLECHAR* s) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_BSTR;
    x.bstrVal = SysAllocString(s);
    return x;
}
VARIANT Ref(VARTYPE vt, void* p) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VARTYPE(vt | VT_BYREF);
    x.byref = p;
    return x;
}
VARIANT Missing() {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_ERROR;
    x.scode = DISP_E_PARAMNOTFOUND;
    return x;
}

// Calls with args in declaration order (reversed here into DISPPARAMS order).
struct Call {
    HRESULT hr;
    VARIANT result;
    EXCEPINFO excep;
    UINT argErr;
};
Call Invoke(IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT> args, std::vector<DISPID> named = {}) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.data(), named.data(), UINT(reversed.size()), UINT(named.size())};
    Call c{};
    VariantInit(&c.result);
    c.argErr = 999;
    c.hr = d->Invoke(id, GUID_NULL, 0, flags, &params, &c.result, &c.excep, &c.argErr);
    for (auto& v : args)
        if (!(v.vt & VT_BYREF)) VariantClear(&v);
    return c;
}

TEST(DispatchTable, ProbeTableIsConsistent) {
    EXPECT_EQ(ValidateTable(ProbeTable()), "");
}

TEST(DispatchTable, ValidateFindsMismatches) {
    struct Row {
        DispMember member;
        std::string expect;  // part of the message
    };
    std::vector<Row> rows;
    rows.push_back({Method<&IProbe::Unnamed>(u"A", 1, nullptr, {{u"a"}, {u"b"}, {u"r"}, {u"extra"}}),
                    "4 parameters in the table, 3 in C++"});
    rows.push_back(
        {Method<&IProbe::Unnamed>(u"A", 1, nullptr, {{u"a", VT_BSTR}, {u"b"}, {u"r", VT_I4, kRetval}}),
         "does not match"});
    rows.push_back(
        {Method<&IProbe::Unnamed>(u"A", 1, nullptr, {{u"a", VT_I4, kRetval}, {u"b"}, {u"r", VT_I4, kOut}}),
         "only the last"});
    rows.push_back(
        {Method<&IProbe::Unnamed>(u"A", 1, nullptr, {{u"a", VT_I4, kOut}, {u"b"}, {u"r", VT_I4, kRetval}}),
         "[out] needs a C++ pointer"});
    rows.push_back({Method<&IProbe::Swap>(u"A", 1, nullptr, {{u"pair", VT_I4, kInOut}}), "VT_RECORD"});
    rows.push_back({Member<&IProbe::Fail>(DispKind::Get, u"A", 1, nullptr), "needs a retval"});
    for (auto& row : rows) {
        DispInterface t{u"IBad", IID_IProbe, nullptr, {row.member}};
        std::string message = ValidateTable(t);
        EXPECT_NE(message.find(row.expect), std::string::npos) << message;
    }
    DispInterface twice{u"IBad",
                        IID_IProbe,
                        nullptr,
                        {Method<&IProbe::Fail>(u"A", 1, nullptr), Method<&IProbe::Fail>(u"B", 1, nullptr)}};
    EXPECT_NE(ValidateTable(twice).find("used twice"), std::string::npos);
}

TEST(DispatchTable, MemberFillsTypesFromCxx) {
    const DispMember& outs = ProbeTable().members[1];
    EXPECT_EQ(outs.params[0].vt, VT_I4 | VT_BYREF);
    EXPECT_EQ(outs.params[3].vt, VT_ARRAY | VT_UI1 | VT_BYREF);
    const DispMember& scalars = ProbeTable().members[0];
    EXPECT_EQ(scalars.params[0].vt, VT_I2);
    EXPECT_EQ(scalars.params[2].vt, VT_I8);
    EXPECT_EQ(scalars.params[8].vt, VT_BOOL);
    EXPECT_EQ(scalars.returnType, VT_I4);
    EXPECT_EQ(ProbeTable().members[3].returnType, VT_VOID);
}

TEST(DispatchNames, CaseInsensitiveMembersAndParameters) {
    Probe p;
    LPOLESTR names[] = {const_cast<LPOLESTR>(u"sCaLaRs"), const_cast<LPOLESTR>(u"TEXT"),
                        const_cast<LPOLESTR>(u"flag")};
    DISPID ids[3];
    ASSERT_EQ(p.GetIDsOfNames(GUID_NULL, names, 3, 0, ids), S_OK);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 9);
    EXPECT_EQ(ids[2], 8);

    LPOLESTR unknown[] = {const_cast<LPOLESTR>(u"Scalars"), const_cast<LPOLESTR>(u"nope")};
    EXPECT_EQ(p.GetIDsOfNames(GUID_NULL, unknown, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    LPOLESTR missing[] = {const_cast<LPOLESTR>(u"Nothing")};
    EXPECT_EQ(p.GetIDsOfNames(GUID_NULL, missing, 1, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
    EXPECT_EQ(p.GetIDsOfNames(IID_IProbe, missing, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
}

// One row per way of passing the Scalars arguments: conversions follow VariantChangeType.
TEST(DispatchInvoke, ConvertsInArguments) {
    Probe p;
    BSTR shared = SysAllocString(u"byref");
    LONG longValue = 5;
    Call c = Invoke(&p, 1, DISPATCH_METHOD,
                    {Str(u"12"), R8(2.5) /* rounds to even */, I4(-3), I4(255), I4(65535), Str(u"7"), R8(1.5),
                     I4(9), I4(1), Ref(VT_BSTR, &shared)});
    ASSERT_EQ(c.hr, S_OK);
    EXPECT_EQ(p.seen, (std::vector<double>{12, 2, -3, 255, 65535, 7, 1.5, 9, -1}));
    EXPECT_EQ(p.seenText, u"byref");
    EXPECT_EQ(c.result.vt, VT_I4);
    EXPECT_EQ(c.result.lVal, 12 + 2 - 3 + 255 + 65535 + 7);

    c = Invoke(&p, 1, DISPATCH_METHOD,
               {Ref(VT_I4, &longValue), I4(0), I4(0), I4(0), I4(0), I4(0), I4(0), I4(0), I4(0), I4(123)});
    ASSERT_EQ(c.hr, S_OK);
    EXPECT_EQ(p.seen[0], 5);
    EXPECT_EQ(p.seenText, u"123");  // a number given for a string
    SysFreeString(shared);
}

TEST(DispatchInvoke, ConversionFailuresNameTheArgument) {
    Probe p;
    // "s" is a SHORT: 40000 overflows; rgvarg index of the first argument is cArgs - 1.
    Call c = Invoke(&p, 1, DISPATCH_METHOD,
                    {I4(40000), I4(0), I4(0), I4(0), I4(0), I4(0), I4(0), I4(0), I4(0), Str(u"")});
    EXPECT_EQ(c.hr, DISP_E_OVERFLOW);
    EXPECT_EQ(c.argErr, 9u);
    // "l" given text that is no number.
    c = Invoke(&p, 1, DISPATCH_METHOD,
               {I4(0), Str(u"abc"), I4(0), I4(0), I4(0), I4(0), I4(0), I4(0), I4(0), Str(u"")});
    EXPECT_EQ(c.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(c.argErr, 8u);
    // A record parameter given a number.
    c = Invoke(&p, 3, DISPATCH_METHOD, {I4(1)});
    EXPECT_EQ(c.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(c.argErr, 0u);
}

TEST(DispatchInvoke, CountsAndMissingArguments) {
    Probe p;
    EXPECT_EQ(Invoke(&p, 99, DISPATCH_METHOD, {}).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Invoke(&p, 4, DISPATCH_PROPERTYPUT, {I4(1)}, {DISPID_PROPERTYPUT}).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Invoke(&p, 5, DISPATCH_METHOD, {I4(1)}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Invoke(&p, 5, DISPATCH_METHOD, {I4(1), I4(2), I4(3)}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Invoke(&p, 5, DISPATCH_METHOD, {Missing(), I4(2)}).hr, DISP_E_PARAMNOTOPTIONAL);
    Call ok = Invoke(&p, 5, DISPATCH_METHOD, {I4(10), I4(4)});
    EXPECT_EQ(ok.hr, S_OK);
    EXPECT_EQ(ok.result.lVal, 6);
    // [out] parameters may be left out: Outs with nothing still runs.
    EXPECT_EQ(Invoke(&p, 2, DISPATCH_METHOD, {}).hr, S_OK);
}

TEST(DispatchInvoke, NamedArguments) {
    Probe p;
    // Unnamed(b := 4, a := 10) where the parameters have no names.
    EXPECT_EQ(Invoke(&p, 5, DISPATCH_METHOD, {I4(4), I4(10)}, {1, 0}).hr, DISP_E_NONAMEDARGS);
    // Item(index := 2) = "two", then Item(2) by position.
    std::vector<VARIANT> put{Str(u"two"), I4(2)};  // rgvarg[0] = the value, rgvarg[1] = the index
    std::vector<DISPID> named{DISPID_PROPERTYPUT, 0};
    DISPPARAMS params{put.data(), named.data(), 2, 2};
    EXPECT_EQ(p.Invoke(6, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), S_OK);
    for (auto& v : put) VariantClear(&v);
    ASSERT_EQ(p.items.size(), 3u);
    EXPECT_EQ(p.items[2], u"two");
    Call get = Invoke(&p, 6, DISPATCH_PROPERTYGET, {I4(2)});
    ASSERT_EQ(get.hr, S_OK);
    EXPECT_EQ(std::u16string(get.result.bstrVal), u"two");
    VariantClear(&get.result);
    // a named id beyond the parameters
    Call bad = Invoke(&p, 6, DISPATCH_PROPERTYGET, {I4(2)}, {5});
    EXPECT_EQ(bad.hr, DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(bad.argErr, 0u);
}

TEST(DispatchInvoke, MethodAndGetFlagsTogether) {
    Probe p;
    Call c = Invoke(&p, 5, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {I4(3), I4(1)});
    EXPECT_EQ(c.hr, S_OK);
    EXPECT_EQ(c.result.lVal, 2);
    p.items = {u"zero"};
    c = Invoke(&p, 6, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {I4(0)});
    ASSERT_EQ(c.hr, S_OK);
    EXPECT_EQ(std::u16string(c.result.bstrVal), u"zero");
    VariantClear(&c.result);
}

TEST(DispatchInvoke, OutTargetsOfEveryKind) {
    Probe p;
    // exact types: written through the caller's pointers
    LONG l = 0;
    BSTR text = nullptr;
    VARIANT v;
    VariantInit(&v);
    SAFEARRAY* array = nullptr;
    double d = 0;
    Call c = Invoke(&p, 2, DISPATCH_METHOD,
                    {Ref(VT_I4, &l), Ref(VT_BSTR, &text), Ref(VT_VARIANT, &v), Ref(VT_ARRAY | VT_UI1, &array),
                     Ref(VT_R8, &d)});
    ASSERT_EQ(c.hr, S_OK);
    EXPECT_EQ(l, 42);
    EXPECT_EQ(std::u16string(text), u"out");
    EXPECT_EQ(v.vt, VT_I2);
    EXPECT_EQ(v.iVal, 7);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(d, 2.5);
    SysFreeString(text);
    SafeArrayDestroy(array);

    // variant targets and targets of another type: converted on the way back
    VARIANT vl, vtext, varray;
    VariantInit(&vl);
    VariantInit(&vtext);
    VariantInit(&varray);
    BSTR asText = nullptr;
    LONG asLong = 0;
    c = Invoke(&p, 2, DISPATCH_METHOD,
               {Ref(VT_VARIANT, &vl), Ref(VT_VARIANT, &vtext), Ref(VT_VARIANT, &v), Ref(VT_VARIANT, &varray),
                Ref(VT_I4, &asLong)});
    ASSERT_EQ(c.hr, S_OK);
    EXPECT_EQ(vl.vt, VT_I4);
    EXPECT_EQ(vl.lVal, 42);
    EXPECT_EQ(vtext.vt, VT_BSTR);
    EXPECT_EQ(varray.vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(asLong, 2);  // 2.5 rounds to even
    VariantClear(&vl);
    VariantClear(&vtext);
    VariantClear(&varray);
    VariantClear(&v);

    c = Invoke(&p, 2, DISPATCH_METHOD, {Ref(VT_BSTR, &asText)});
    ASSERT_EQ(c.hr, S_OK);
    EXPECT_EQ(std::u16string(asText), u"42");
    SysFreeString(asText);

    // an [out] given by value cannot receive anything
    c = Invoke(&p, 2, DISPATCH_METHOD, {I4(0)});
    EXPECT_EQ(c.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(c.argErr, 0u);
}

TEST(DispatchInvoke, RecordsAreChangedInPlace) {
    Probe p;
    Pair pair{1, 2};
    VARIANT rec;
    VariantInit(&rec);
    rec.vt = VT_RECORD | VT_BYREF;
    rec.brecVal.pvRecord = &pair;
    rec.brecVal.pRecInfo = nullptr;
    EXPECT_EQ(Invoke(&p, 3, DISPATCH_METHOD, {rec}).hr, S_OK);
    EXPECT_EQ(pair.a, 2);
    EXPECT_EQ(pair.b, 1);
}

TEST(DispatchInvoke, RecordPropertiesUseTheCallersRecord) {
    Probe p;
    Pair in{5, 6};
    VARIANT rec;
    VariantInit(&rec);
    rec.vt = VT_RECORD | VT_BYREF;
    rec.brecVal.pvRecord = &in;
    EXPECT_EQ(Invoke(&p, 9, DISPATCH_PROPERTYPUT, {rec}, {DISPID_PROPERTYPUT}).hr, S_OK);
    EXPECT_EQ(p.last.a, 5);
    Pair out{0, 0};
    rec.brecVal.pvRecord = &out;
    Call c = Invoke(&p, 9, DISPATCH_PROPERTYGET, {rec});
    ASSERT_EQ(c.hr, S_OK);
    EXPECT_EQ(out.b, 6);
    EXPECT_EQ(c.result.vt, VT_EMPTY);
    EXPECT_EQ(Invoke(&p, 9, DISPATCH_PROPERTYGET, {}).hr, DISP_E_PARAMNOTOPTIONAL);
}

TEST(DispatchInvoke, InterfacesAndVariantsByReference) {
    Probe p;
    VARIANT obj;
    VariantInit(&obj);
    obj.vt = VT_UNKNOWN;  // an IUnknown given for an IDispatch parameter is asked for IDispatch
    obj.punkVal = static_cast<IProbe*>(&p);
    p.AddRef();
    ULONG before = p.refs;
    Call c = Invoke(&p, 7, DISPATCH_METHOD, {obj});
    ASSERT_EQ(c.hr, S_OK);
    EXPECT_EQ(c.result.vt, VT_UNKNOWN);
    EXPECT_EQ(c.result.punkVal, static_cast<IUnknown*>(static_cast<IProbe*>(&p)));
    VariantClear(&c.result);
    EXPECT_EQ(p.refs, before - 1);  // the argument's own reference went with VariantClear

    VARIANT inner = I4(3);
    c = Invoke(&p, 8, DISPATCH_METHOD, {Ref(VT_VARIANT, &inner)});
    EXPECT_EQ(c.result.lVal, VT_I4);
    c = Invoke(&p, 8, DISPATCH_METHOD, {Str(u"x")});
    EXPECT_EQ(c.result.lVal, VT_BSTR);
}

TEST(DispatchInvoke, FailureFillsExcepInfoAndKeepsErrorInfo) {
    Probe p;
    Call c = Invoke(&p, 4, DISPATCH_METHOD, {});
    ASSERT_EQ(c.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(c.excep.scode, (HRESULT)0x8004030A);
    EXPECT_EQ(std::u16string(c.excep.bstrSource), u"Probe.Source");
    EXPECT_EQ(std::u16string(c.excep.bstrDescription), u"Probe failed.");
    SysFreeString(c.excep.bstrSource);
    SysFreeString(c.excep.bstrDescription);
    SysFreeString(c.excep.bstrHelpFile);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    BSTR description = nullptr;
    info->GetDescription(&description);
    EXPECT_EQ(std::u16string(description), u"Probe failed.");
    SysFreeString(description);
    info->Release();

    // Without an EXCEPINFO the method's own code comes back.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(p.Invoke(4, GUID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              (HRESULT)0x8004030A);
    // A failure without a record still comes back as an exception with its code.
    Call get = Invoke(&p, 6, DISPATCH_PROPERTYGET, {I4(-1)});
    EXPECT_EQ(get.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(get.excep.scode, E_INVALIDARG);
    EXPECT_EQ(get.excep.bstrDescription, nullptr);
}

TEST(DispatchTypeInfo, NamesDocumentationAndInvoke) {
    Probe p;
    UINT count = 0;
    EXPECT_EQ(p.GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ITypeInfo* info = nullptr;
    EXPECT_EQ(p.GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
    ASSERT_EQ(p.GetTypeInfo(0, 0, &info), S_OK);

    BSTR names[4] = {};
    UINT got = 0;
    ASSERT_EQ(info->GetNames(6, names, 4, &got), S_OK);
    ASSERT_EQ(got, 2u);  // the member and its index; the retval has no name to give
    EXPECT_EQ(std::u16string(names[0]), u"Item");
    EXPECT_EQ(std::u16string(names[1]), u"index");
    for (UINT i = 0; i < got; ++i) SysFreeString(names[i]);
    EXPECT_EQ(info->GetNames(1234, names, 4, &got), TYPE_E_ELEMENTNOTFOUND);

    BSTR name = nullptr, doc = nullptr;
    ASSERT_EQ(info->GetDocumentation(-1, &name, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(std::u16string(name), u"IProbe");
    EXPECT_EQ(std::u16string(doc), u"IProbe Interface");
    SysFreeString(name);
    SysFreeString(doc);
    ASSERT_EQ(info->GetDocumentation(4, nullptr, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(std::u16string(doc), u"method Fail");
    SysFreeString(doc);

    LPOLESTR member[] = {const_cast<LPOLESTR>(u"unnamed")};
    MEMBERID id = 0;
    ASSERT_EQ(info->GetIDsOfNames(member, 1, &id), S_OK);
    EXPECT_EQ(id, 5);
    std::vector<VARIANT> args{I4(1), I4(8)};  // reversed: 8 - 1
    DISPPARAMS params{args.data(), nullptr, 2, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(info->Invoke(static_cast<IProbe*>(&p), 5, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(result.lVal, 7);
    void* attr = nullptr;
    EXPECT_EQ(info->GetTypeAttr(&attr), E_NOTIMPL);
    info->Release();
}

std::u16string ReadDefault(const std::u16string& path, const OLECHAR* value = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return u"<none>";
    OLECHAR data[1024] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    LSTATUS s = RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return s == ERROR_SUCCESS ? std::u16string(data) : u"<none>";
}

TEST(TypeLibraryKeys, RegisterAndRemove) {
    const TypeLibInfo lib{
        PLATFORM_GUID(0x0B7E1C02, 0x1111, 0x4222, 0x83, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99),
        1,
        0,
        0x409,
        u"ProbeLib",
        u"Probe 1.0 Type Library",
        {&ProbeTable()}};
    const std::u16string libKey = u"TypeLib\\{0B7E1C02-1111-4222-8333-445566778899}";
    const std::u16string itfKey = u"Interface\\{0B7E1C01-1111-4222-8333-445566778899}";
    for (int round = 0; round < 2; ++round) {  // registering twice changes nothing
        ASSERT_EQ(RegisterTypeLibrary(lib, u"/opt/probe/libProbe.so"), S_OK);
        EXPECT_EQ(ReadDefault(libKey + u"\\1.0"), u"Probe 1.0 Type Library");
        EXPECT_EQ(ReadDefault(libKey + u"\\1.0\\409\\linux64"), u"/opt/probe/libProbe.so");
        EXPECT_EQ(ReadDefault(libKey + u"\\1.0\\FLAGS"), u"0");
        EXPECT_EQ(ReadDefault(libKey + u"\\1.0\\HELPDIR"), u"/opt/probe");
        EXPECT_EQ(ReadDefault(itfKey), u"IProbe");
        EXPECT_EQ(ReadDefault(itfKey + u"\\ProxyStubClsid32"), u"{00020424-0000-0000-C000-000000000046}");
        EXPECT_EQ(ReadDefault(itfKey + u"\\TypeLib"), u"{0B7E1C02-1111-4222-8333-445566778899}");
        EXPECT_EQ(ReadDefault(itfKey + u"\\TypeLib", u"Version"), u"1.0");
    }
    ASSERT_EQ(UnregisterTypeLibrary(lib), S_OK);
    EXPECT_EQ(ReadDefault(libKey + u"\\1.0"), u"<none>");
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CLASSES_ROOT, libKey.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(ReadDefault(itfKey), u"<none>");
    EXPECT_EQ(UnregisterTypeLibrary(lib), S_OK);  // nothing left to remove is no failure
}

}  // namespace
