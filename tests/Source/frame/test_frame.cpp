// The frame driven through a small library of its own: class objects, creation with
// aggregation and construction steps, the lock count, the error table and records, the
// site and error-support interfaces, VariantTypeRangeMode and self-registration.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "automation/oleauto.h"
#include "frame/errors.h"
#include "frame/module.h"
#include "frame/object.h"
#include "frame/range_mode.h"
#include "registry/registry.h"

namespace {

struct IProbe : IDispatch {
    STDMETHOD(get_Value)(LONG* v) = 0;
    STDMETHOD(Fail)(LONG code) = 0;
};
constexpr IID IID_IProbe = PLATFORM_GUID(0x11111111, 0x2222, 0x3333, 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x01);
constexpr CLSID CLSID_Probe = PLATFORM_GUID(0x11111111, 0x2222, 0x3333, 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x02);
constexpr CLSID CLSID_Broken = PLATFORM_GUID(0x11111111, 0x2222, 0x3333, 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x03);
constexpr GUID kLibId = PLATFORM_GUID(0x11111111, 0x2222, 0x3333, 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x04);
constexpr GUID kAppId = PLATFORM_GUID(0x11111111, 0x2222, 0x3333, 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x05);

int g_destroyed = 0;

class Probe : public kez::frame::ComObject<IProbe> {
public:
    using ComObject::ComObject;
    ~Probe() override { ++g_destroyed; }
    HRESULT STDMETHODCALLTYPE get_Value(LONG* v) override {
        *v = 7;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Fail(LONG code) override { return Report(code); }
};

class Broken : public Probe {
public:
    using Probe::Probe;
    HRESULT Construct() override { return ReportResource(65514); }
};

const platform::DispInterface& ProbeTable() {
    static const platform::DispInterface t{u"IProbe", IID_IProbe, u"IProbe Interface",
                                           {platform::Get<&IProbe::get_Value>(u"Value", 1, u"property Value"),
                                            platform::Method<&IProbe::Fail>(u"Fail", 2, u"method Fail", {{u"code"}})}};
    return t;
}

const kez::frame::ClassInfo kClasses[] = {
    {u"Probe", CLSID_Probe, IID_IProbe, u"Probe Class", u"FrameTest.Probe.1", u"FrameTest.Probe", 102,
     &kez::frame::CreateObject<Probe>, &ProbeTable},
    {u"Broken", CLSID_Broken, IID_IProbe, u"Broken Class", u"FrameTest.Broken.1", u"FrameTest.Broken", 103,
     &kez::frame::CreateObject<Broken>, &ProbeTable},
};
const kez::frame::StringResource kStrings[] = {{100, u"FrameTest"}, {200, u"A string of the library."}};
const kez::frame::LibraryInfo kLibrary{u"FrameTest.DLL", kLibId,  1,        0, 0x409, u"FrameTestLib",
                                       u"FrameTest 1.0 Type Library", kAppId, 100, 101, kClasses, kStrings};

}  // namespace

const kez::frame::LibraryInfo& KezLibraryInfo() { return kLibrary; }

namespace {

using kez::frame::Module;

std::u16string Take(BSTR b) {
    std::u16string s = b ? std::u16string(b, SysStringLen(b)) : u"";
    SysFreeString(b);
    return s;
}

struct Record {
    GUID iid{};
    std::u16string source, description, helpFile;
    DWORD context = 99;
};

bool TakeRecord(Record& r) {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info) return false;
    BSTR b = nullptr;
    info->GetGUID(&r.iid);
    info->GetSource(&b);
    r.source = Take(b);
    info->GetDescription(&b);
    r.description = Take(b);
    b = nullptr;
    info->GetHelpFile(&b);
    r.helpFile = Take(b);
    info->GetHelpContext(&r.context);
    info->Release();
    return true;
}

IClassFactory* Factory(REFCLSID clsid) {
    IClassFactory* f = nullptr;
    EXPECT_EQ(Module::Instance().GetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&f)), S_OK);
    return f;
}

TEST(ClassObjects, KnownClassGivesOneKeptClassObject) {
    IClassFactory* a = Factory(CLSID_Probe);
    IClassFactory* b = Factory(CLSID_Probe);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    a->Release();
    b->Release();
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(Module::Instance().GetClassObject(CLSID_Probe, IID_IProbe, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(Module::Instance().GetClassObject(kLibId, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(Module::Instance().GetClassObject(CLSID_Probe, IID_IClassFactory, nullptr), E_POINTER);
}

TEST(ClassObjects, UnloadOnlyWithoutObjectsAndLocks) {
    ASSERT_EQ(Module::Instance().CanUnloadNow(), S_OK);
    IClassFactory* f = Factory(CLSID_Probe);
    IProbe* probe = nullptr;
    ASSERT_EQ(f->CreateInstance(nullptr, IID_IProbe, reinterpret_cast<void**>(&probe)), S_OK);
    EXPECT_EQ(Module::Instance().CanUnloadNow(), S_FALSE);
    probe->AddRef();
    probe->Release();
    EXPECT_EQ(Module::Instance().CanUnloadNow(), S_FALSE);
    int before = g_destroyed;
    probe->Release();
    EXPECT_EQ(g_destroyed, before + 1);
    EXPECT_EQ(Module::Instance().CanUnloadNow(), S_OK);
    f->LockServer(TRUE);
    EXPECT_EQ(Module::Instance().CanUnloadNow(), S_FALSE);
    f->LockServer(FALSE);
    EXPECT_EQ(Module::Instance().CanUnloadNow(), S_OK);
    f->Release();
}

TEST(ClassObjects, CreateInstanceAnswersOnlyItsInterfaces) {
    IClassFactory* f = Factory(CLSID_Probe);
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IProbe, nullptr), E_POINTER);
    void* p = nullptr;
    int before = g_destroyed;
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IClassFactory, &p), E_NOINTERFACE);
    EXPECT_EQ(g_destroyed, before + 1);  // refused: destroyed again
    EXPECT_EQ(Module::Instance().CanUnloadNow(), S_OK);

    IDispatch* disp = nullptr;
    ASSERT_EQ(f->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&disp)), S_OK);
    IProbe* probe = nullptr;
    ISupportErrorInfo* sei = nullptr;
    IObjectWithSite* site = nullptr;
    IUnknown* unk1 = nullptr;
    IUnknown* unk2 = nullptr;
    ASSERT_EQ(disp->QueryInterface(IID_IProbe, reinterpret_cast<void**>(&probe)), S_OK);
    EXPECT_EQ(static_cast<IDispatch*>(probe), disp);
    ASSERT_EQ(disp->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&sei)), S_OK);
    ASSERT_EQ(disp->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&site)), S_OK);
    ASSERT_EQ(sei->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unk1)), S_OK);
    ASSERT_EQ(site->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unk2)), S_OK);
    EXPECT_EQ(unk1, unk2);  // one identity
    EXPECT_EQ(disp->QueryInterface(IID_IConnectionPointContainer, &p), E_NOINTERFACE);

    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IProbe), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);

    // Site: counted reference, replaced and released; none gives E_FAIL and null.
    void* got = reinterpret_cast<void*>(1);
    EXPECT_EQ(site->GetSite(IID_IUnknown, &got), E_FAIL);
    EXPECT_EQ(got, nullptr);
    EXPECT_EQ(site->GetSite(IID_IUnknown, nullptr), E_POINTER);
    IDispatch* other = nullptr;
    ASSERT_EQ(f->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&other)), S_OK);
    before = g_destroyed;
    EXPECT_EQ(site->SetSite(other), S_OK);
    other->Release();
    EXPECT_EQ(g_destroyed, before);  // kept alive by the site reference
    IProbe* fromSite = nullptr;
    EXPECT_EQ(site->GetSite(IID_IProbe, reinterpret_cast<void**>(&fromSite)), S_OK);
    ASSERT_NE(fromSite, nullptr);
    fromSite->Release();
    EXPECT_EQ(site->SetSite(nullptr), S_OK);
    EXPECT_EQ(g_destroyed, before + 1);

    for (IUnknown* u : {static_cast<IUnknown*>(probe), static_cast<IUnknown*>(sei), static_cast<IUnknown*>(site),
                        unk1, unk2, static_cast<IUnknown*>(disp)})
        u->Release();
    EXPECT_EQ(Module::Instance().CanUnloadNow(), S_OK);
    f->Release();
}

// An outer object that aggregates a Probe and counts the calls delegated to it.
struct Outer : IUnknown {
    IUnknown* inner = nullptr;
    ULONG refs = 1;
    int queries = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        ++queries;
        if (iid == IID_IUnknown) {
            *out = this;
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

TEST(ClassObjects, AggregationDelegatesToTheOuterObject) {
    IClassFactory* f = Factory(CLSID_Probe);
    Outer outer;
    void* p = nullptr;
    EXPECT_EQ(f->CreateInstance(&outer, IID_IProbe, &p), CLASS_E_NOAGGREGATION);
    ASSERT_EQ(f->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
    IProbe* probe = nullptr;
    ASSERT_EQ(outer.inner->QueryInterface(IID_IProbe, reinterpret_cast<void**>(&probe)), S_OK);
    EXPECT_EQ(outer.refs, 2u);  // the interface counts on the outer object
    IUnknown* viaProbe = nullptr;
    int q = outer.queries;
    ASSERT_EQ(probe->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaProbe)), S_OK);
    EXPECT_EQ(viaProbe, &outer);
    EXPECT_EQ(outer.queries, q + 1);
    viaProbe->Release();
    LONG v = 0;
    EXPECT_EQ(probe->get_Value(&v), S_OK);
    EXPECT_EQ(v, 7);
    probe->Release();
    EXPECT_EQ(Module::Instance().CanUnloadNow(), S_FALSE);
    int before = g_destroyed;
    outer.inner->Release();
    EXPECT_EQ(g_destroyed, before + 1);
    EXPECT_EQ(Module::Instance().CanUnloadNow(), S_OK);
    f->Release();
}

TEST(ClassObjects, FailedConstructionStepIsTheCreationResult) {
    IClassFactory* f = Factory(CLSID_Broken);
    void* p = reinterpret_cast<void*>(1);
    int before = g_destroyed;
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IProbe, &p), HRESULT(0x8004FFEA));
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(g_destroyed, before + 1);
    EXPECT_EQ(Module::Instance().CanUnloadNow(), S_OK);
    Record r;
    ASSERT_TRUE(TakeRecord(r));
    EXPECT_EQ(r.description, u"Unknown Error");
    EXPECT_EQ(r.iid, GUID_NULL);
    EXPECT_EQ(r.source, u"FrameTest.Broken.1");
    f->Release();
}

TEST(ErrorTable, CodesGiveTheirStatusAndMessage) {
    struct Row {
        int code;
        std::uint32_t status;
        const char16_t* message;
    } rows[] = {
        {-10, 0x80040301, u"Busy error."},
        {-11, 0x80040302, u"Exceeded available memory."},
        {-12, 0x80040303, u"File format error."},
        {-13, 0x80040304, u"Format is not supported."},
        {-17, 0x80040308, u"ACM Driver error."},
        {-18, 0x80040303, u"File access error."},  // shares -12's status
        {-19, 0x8004030A, u"Invalid operation."},
        {-20, 0x8004030B, u"Invalid parameter(argument)."},
        {-22, 0x8004030D, u"Control not installed."},
        {-23, 0x8004030E, u"Index out of range."},
        {-24, 0x8004030F, u"The stream is closed or unavailable."},
        {-1, 0x80040300, u"Unexpected error."},
        {-5, 0x80040300, u"Unexpected error."},
        {-9, 0x80040300, u"Unexpected error."},
        {-25, 0x80040300, u"Unexpected error."},
        {1, 0x80040300, u"Unexpected error."},
    };
    for (const Row& r : rows) {
        kez::frame::ErrorEntry e = kez::frame::LookUpError(r.code);
        EXPECT_EQ(std::uint32_t(e.status), r.status) << r.code;
        EXPECT_EQ(std::u16string(e.message), r.message) << r.code;
    }
    EXPECT_EQ(kez::frame::LookUpError(0).status, S_OK);
}

TEST(ErrorTable, ReportLeavesARecordNamingTheClass) {
    SetErrorInfo(0, nullptr);
    IClassFactory* f = Factory(CLSID_Probe);
    IProbe* probe = nullptr;
    ASSERT_EQ(f->CreateInstance(nullptr, IID_IProbe, reinterpret_cast<void**>(&probe)), S_OK);
    EXPECT_EQ(probe->Fail(-22), HRESULT(0x8004030D));
    Record r;
    ASSERT_TRUE(TakeRecord(r));
    EXPECT_EQ(r.iid, IID_IProbe);
    EXPECT_EQ(r.source, u"FrameTest.Probe.1");
    EXPECT_EQ(r.description, u"Control not installed.");
    EXPECT_EQ(r.helpFile, u"");
    EXPECT_EQ(r.context, 0u);

    EXPECT_EQ(probe->Fail(0), S_OK);
    EXPECT_FALSE(TakeRecord(r));  // success sets none

    // Late binding: the failure arrives as DISP_E_EXCEPTION with the record's texts.
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(u"fail");
    ASSERT_EQ(probe->GetIDsOfNames(GUID_NULL, &name, 1, 0, &id), S_OK);
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = -18;
    DISPPARAMS params{&arg, nullptr, 1, 0};
    EXCEPINFO ex{};
    EXPECT_EQ(probe->Invoke(id, GUID_NULL, 0, DISPATCH_METHOD, &params, nullptr, &ex, nullptr), DISP_E_EXCEPTION);
    EXPECT_EQ(std::uint32_t(ex.scode), 0x80040303u);
    EXPECT_EQ(Take(ex.bstrDescription), u"File access error.");
    EXPECT_EQ(Take(ex.bstrSource), u"FrameTest.Probe.1");
    SysFreeString(ex.bstrHelpFile);
    probe->Release();
    f->Release();
}

TEST(ErrorTable, ReportByResourceUsesTheLibraryStrings) {
    const kez::frame::ClassInfo& probe = kClasses[0];
    EXPECT_EQ(kez::frame::ReportByResource(200, probe), HRESULT(0x800400C8));
    Record r;
    ASSERT_TRUE(TakeRecord(r));
    EXPECT_EQ(r.description, u"A string of the library.");
    EXPECT_EQ(r.iid, GUID_NULL);
    EXPECT_EQ(kez::frame::ReportByResource(201, probe, E_FAIL), E_FAIL);
    ASSERT_TRUE(TakeRecord(r));
    EXPECT_EQ(r.description, u"Unknown Error");
}

TEST(RangeMode, PutClampsAndStoreFollowsTheMode) {
    kez::frame::VariantRangeMode m;
    EXPECT_EQ(m.Get(), 2);
    struct {
        LONG put, get;
    } rows[] = {{0, 1}, {-100, 1}, {1, 1}, {2, 2}, {7, 2}, {0x7FFFFFFF, 2}};
    for (auto r : rows) {
        m.Put(r.put);
        EXPECT_EQ(m.Get(), r.get) << r.put;
    }
    VARIANT v;
    m.Put(1);
    m.Store(5000000000LL, &v);
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, LONG(5000000000LL - 4294967296LL));
    m.Put(2);
    m.Store(5000000000LL, &v);
    EXPECT_EQ(v.vt, VT_I8);
    EXPECT_EQ(v.llVal, 5000000000LL);
}

// --- registration ------------------------------------------------------------------------

void Dump(HKEY key, const std::u16string& path, std::map<std::u16string, std::u16string>& out) {
    for (DWORD i = 0;; ++i) {
        char16_t name[512];
        DWORD nameLen = 512, type = 0;
        BYTE data[2048];
        DWORD dataLen = sizeof data;
        if (RegEnumValueW(key, i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS) break;
        std::u16string value(reinterpret_cast<const char16_t*>(data), dataLen / 2);
        while (!value.empty() && value.back() == 0) value.pop_back();
        out[path + u"@" + std::u16string(name, nameLen)] = value;
    }
    for (DWORD i = 0;; ++i) {
        char16_t name[512];
        DWORD nameLen = 512;
        if (RegEnumKeyExW(key, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        std::u16string sub(name, nameLen);
        out[path + u"\\" + sub];
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, sub.c_str(), 0, KEY_READ, &child) == ERROR_SUCCESS) {
            Dump(child, path + u"\\" + sub, out);
            RegCloseKey(child);
        }
    }
}

std::map<std::u16string, std::u16string> DumpClassesRoot() {
    std::map<std::u16string, std::u16string> out;
    Dump(HKEY_CLASSES_ROOT, u"", out);
    return out;
}

TEST(Registration, WritesTheScriptsKeysOnceAndRemovesThem) {
    auto before = DumpClassesRoot();
    ASSERT_EQ(Module::Instance().RegisterServer(), S_OK);
    auto once = DumpClassesRoot();
    std::u16string clsid = u"\\CLSID\\" + kez::frame::GuidText(CLSID_Probe);
    EXPECT_EQ(once[clsid + u"@"], u"Probe Class");
    EXPECT_EQ(once[clsid + u"\\ProgID@"], u"FrameTest.Probe.1");
    EXPECT_EQ(once[clsid + u"\\VersionIndependentProgID@"], u"FrameTest.Probe");
    EXPECT_EQ(once[clsid + u"\\InprocServer32@"], Module::Instance().ModulePath());
    EXPECT_EQ(once[clsid + u"\\InprocServer32@ThreadingModel"], u"Apartment");
    EXPECT_EQ(once[clsid + u"@AppID"], kez::frame::GuidText(kAppId));
    EXPECT_EQ(once[clsid + u"\\TypeLib@"], kez::frame::GuidText(kLibId));
    EXPECT_TRUE(once.count(clsid + u"\\Programmable"));
    EXPECT_EQ(once[u"\\FrameTest.Probe.1@"], u"Probe Class");
    EXPECT_EQ(once[u"\\FrameTest.Probe.1\\CLSID@"], kez::frame::GuidText(CLSID_Probe));
    EXPECT_EQ(once[u"\\FrameTest.Probe\\CurVer@"], u"FrameTest.Probe.1");
    EXPECT_EQ(once[u"\\AppID\\" + kez::frame::GuidText(kAppId) + u"@"], u"FrameTest");
    EXPECT_EQ(once[u"\\AppID\\FrameTest.DLL@AppID"], kez::frame::GuidText(kAppId));

    ASSERT_EQ(Module::Instance().RegisterServer(), S_OK);
    EXPECT_EQ(DumpClassesRoot(), once);

    ASSERT_EQ(Module::Instance().UnregisterServer(), S_OK);
    auto after = DumpClassesRoot();
    for (const auto& [key, value] : after) {
        bool root = key == u"\\CLSID" || key == u"\\AppID" || key == u"\\TypeLib" || key == u"\\Interface";
        EXPECT_TRUE(root || before.count(key)) << std::string(key.begin(), key.end());
    }
}

}  // namespace
