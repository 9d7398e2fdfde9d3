// The test server end to end: regsvr into the test's registry, activation by class id and
// ProgID, late binding by name, events, error information, unloading, and the failures.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "calculator.h"
#include "com/combase.h"
#include "registry/registry.h"

namespace {

using namespace platform;

std::string Bin() {
    const char* bin = std::getenv("KEZ_BIN_DIR");
    return bin ? bin : ".";
}
std::string Scratch() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp ? tmp : "/tmp";
}

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

ToolRun Regsvr(const std::string& args, const std::string& env = "") {
    std::string out = Scratch() + "/regsvr.out", err = Scratch() + "/regsvr.err";
    std::string command = env + " '" + Bin() + "/regsvr' " + args + " >'" + out + "' 2>'" + err + "'";
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
}

const std::string kModule = Bin() + "/libComTestServer.so";

bool KeyExists(const std::u16string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::u16string ClsidKey() {
    OLECHAR text[40];
    StringFromGUID2(CLSID_Calculator, text, 40);
    return std::u16string(u"CLSID\\") + text;
}

// Late binding the way the program's wrappers do it: ids by name, then Invoke.
class Late {
public:
    explicit Late(IDispatch* d) : d_(d) {}
    DISPID Id(const OLECHAR* name) {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        EXPECT_EQ(d_->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), S_OK) << "name not found";
        return id;
    }
    HRESULT Call(const OLECHAR* name, WORD flags, std::vector<VARIANT> args, VARIANT* result,
                 EXCEPINFO* excep = nullptr) {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS params{reversed.data(), flags == DISPATCH_PROPERTYPUT ? &put : nullptr,
                          UINT(reversed.size()), flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
        if (result) VariantInit(result);
        UINT argErr = 0;
        HRESULT hr = d_->Invoke(Id(name), GUID_NULL, 0, flags, &params, result, excep, &argErr);
        for (auto& v : args)
            if (!(v.vt & VT_BYREF)) VariantClear(&v);
        return hr;
    }
    HRESULT Put(const OLECHAR* name, VARIANT value) {
        return Call(name, DISPATCH_PROPERTYPUT, {value}, nullptr);
    }

private:
    IDispatch* d_;
};

VARIANT I4(LONG v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_I4;
    x.lVal = v;
    return x;
}
VARIANT Str(const OLECHAR* s) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_BSTR;
    x.bstrVal = SysAllocString(s);
    return x;
}

bool Mapped(const std::string& file) {
    return Slurp("/proc/self/maps").find("/" + file) != std::string::npos;
}

class ServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ToolRun r = Regsvr("-s '" + kModule + "'");
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(r.out, "");  // silent
    }
    void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(ServerTest, RegistrationWroteClassAndTypeLibraryKeys) {
    EXPECT_TRUE(KeyExists(ClsidKey() + u"\\InprocServer32"));
    EXPECT_TRUE(KeyExists(u"ComTest.Calculator.1\\CLSID"));
    EXPECT_TRUE(KeyExists(u"ComTest.Calculator\\CurVer"));
    EXPECT_TRUE(KeyExists(u"TypeLib\\{6F1C2A13-3B5D-4E21-9A41-1D2E3F405162}\\1.0\\0\\linux64"));
    EXPECT_TRUE(KeyExists(u"Interface\\{6F1C2A11-3B5D-4E21-9A41-1D2E3F405162}\\TypeLib"));

    LPOLESTR progId = nullptr;
    ASSERT_EQ(ProgIDFromCLSID(CLSID_Calculator, &progId), S_OK);
    EXPECT_EQ(std::u16string(progId), kCalculatorProgId);
    CoTaskMemFree(progId);
}

TEST_F(ServerTest, ActivationByClassIdAndProgId) {
    CLSID byVersion{}, byIndependent{};
    ASSERT_EQ(CLSIDFromProgID(kCalculatorProgId, &byVersion), S_OK);
    ASSERT_EQ(CLSIDFromProgID(u"comtest.calculator", &byIndependent), S_OK);  // through CurVer, any case
    EXPECT_TRUE(byVersion == CLSID_Calculator);
    EXPECT_TRUE(byIndependent == CLSID_Calculator);
    CLSID none{};
    EXPECT_EQ(CLSIDFromProgID(u"ComTest.Nothing", &none), CO_E_CLASSSTRING);

    IDispatch* d = nullptr;
    ASSERT_EQ(CoCreateInstance(byIndependent, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&d)),
              S_OK);
    ICalculator* calc = nullptr;
    ASSERT_EQ(d->QueryInterface(IID_ICalculator, reinterpret_cast<void**>(&calc)), S_OK);
    LONG sum = 0;
    EXPECT_EQ(calc->Add(2, 3, &sum), S_OK);  // early bound through the same object
    EXPECT_EQ(sum, 5);
    calc->Release();
    d->Release();

    IUnknown* unk = nullptr;
    IUnknown* outer = nullptr;  // any object as the outer one: this class does not aggregate
    ASSERT_EQ(CoCreateInstance(CLSID_Calculator, nullptr, CLSCTX_ALL, IID_IUnknown,
                               reinterpret_cast<void**>(&outer)),
              S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_Calculator, outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&unk)),
              CLASS_E_NOAGGREGATION);
    outer->Release();
    EXPECT_EQ(CoCreateInstance(CLSID_Calculator, nullptr, CLSCTX_INPROC_SERVER, IID_IClassFactory,
                               reinterpret_cast<void**>(&unk)),
              E_NOINTERFACE);
}

TEST_F(ServerTest, LateBoundMethodsAndProperties) {
    IDispatch* d = nullptr;
    ASSERT_EQ(
        CoCreateInstance(CLSID_Calculator, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&d)),
        S_OK);
    Late late(d);
    VARIANT r;
    ASSERT_EQ(late.Call(u"ADD", DISPATCH_METHOD, {I4(40), Str(u"2")}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_I4);
    EXPECT_EQ(r.lVal, 42);

    // in/out, out and retval at once
    LONG value = 6;
    BSTR label = nullptr;
    VARIANT byValue, byLabel;
    VariantInit(&byValue);
    byValue.vt = VT_I4 | VT_BYREF;
    byValue.plVal = &value;
    VariantInit(&byLabel);
    byLabel.vt = VT_BSTR | VT_BYREF;
    byLabel.pbstrVal = &label;
    ASSERT_EQ(late.Call(u"Scale", DISPATCH_METHOD, {I4(7), byValue, byLabel}, &r), S_OK);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(std::u16string(label), u"x7");
    EXPECT_EQ(r.lVal, 1);
    SysFreeString(label);

    // property get and put by name; the put goes through the object's own rule (clamping)
    ASSERT_EQ(late.Put(u"Volume", I4(250)), S_OK);
    ASSERT_EQ(late.Call(u"Volume", DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.lVal, 100);
    ASSERT_EQ(late.Put(u"name", Str(u"Tarvel")), S_OK);
    ASSERT_EQ(late.Call(u"Name", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, &r), S_OK);
    ASSERT_EQ(r.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(r.bstrVal), u"Tarvel");
    VariantClear(&r);
    ASSERT_EQ(late.Put(u"Enabled", Str(u"True")), S_OK);
    ASSERT_EQ(late.Call(u"Enabled", DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_BOOL);
    EXPECT_EQ(r.boolVal, VARIANT_TRUE);

    // byte arrays in and out
    SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, 4);
    BYTE* data = nullptr;
    SafeArrayAccessData(bytes, reinterpret_cast<void**>(&data));
    for (int i = 0; i < 4; ++i) data[i] = BYTE(i + 1);
    SafeArrayUnaccessData(bytes);
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_ARRAY | VT_UI1;
    arg.parray = bytes;
    ASSERT_EQ(late.Call(u"Reverse", DISPATCH_METHOD, {arg}, &r), S_OK);  // frees bytes with the argument
    ASSERT_EQ(r.vt, VT_ARRAY | VT_UI1);
    SafeArrayAccessData(r.parray, reinterpret_cast<void**>(&data));
    EXPECT_EQ(std::vector<BYTE>(data, data + 4), (std::vector<BYTE>{4, 3, 2, 1}));
    SafeArrayUnaccessData(r.parray);
    VariantClear(&r);
    ASSERT_EQ(late.Call(u"Reverse", DISPATCH_METHOD, {VARIANT{}}, &r), S_OK);  // empty in, empty out
    EXPECT_EQ(r.vt, VT_EMPTY);
    VARIANT words;
    VariantInit(&words);
    words.vt = VT_ARRAY | VT_I2;
    words.parray = SafeArrayCreateVector(VT_I2, 0, 2);
    EXPECT_EQ(late.Call(u"Reverse", DISPATCH_METHOD, {words}, &r), DISP_E_TYPEMISMATCH);

    // optional parameters
    ASSERT_EQ(late.Call(u"Sum", DISPATCH_METHOD, {I4(1)}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_I8);
    EXPECT_EQ(r.llVal, 1);
    ASSERT_EQ(late.Call(u"Sum", DISPATCH_METHOD, {I4(1), Str(u"10"), I4(100)}, &r), S_OK);
    EXPECT_EQ(r.llVal, 111);

    // a record by reference
    CalcPoint point{3, 9};
    VARIANT rec;
    VariantInit(&rec);
    rec.vt = VT_RECORD | VT_BYREF;
    rec.brecVal.pvRecord = &point;
    ASSERT_EQ(late.Call(u"Mirror", DISPATCH_METHOD, {rec}, nullptr), S_OK);
    EXPECT_EQ(point.x, 9);
    EXPECT_EQ(point.y, 3);

    EXPECT_EQ(late.Call(u"Add", DISPATCH_METHOD, {I4(1)}, &r), DISP_E_BADPARAMCOUNT);
    d->Release();
}

TEST_F(ServerTest, FailureReportsErrorInformation) {
    IDispatch* d = nullptr;
    ASSERT_EQ(
        CoCreateInstance(CLSID_Calculator, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&d)),
        S_OK);
    Late late(d);
    EXCEPINFO excep{};
    VARIANT r;
    ASSERT_EQ(late.Call(u"Fail", DISPATCH_METHOD, {Str(u"Invalid parameter(argument).")}, &r, &excep),
              DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, kCalculatorFailure);
    EXPECT_EQ(std::u16string(excep.bstrSource), kCalculatorProgId);
    EXPECT_EQ(std::u16string(excep.bstrDescription), u"Invalid parameter(argument).");
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);

    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    GUID guid{};
    info->GetGUID(&guid);
    EXPECT_TRUE(guid == IID_ICalculator);
    info->Release();
    EXPECT_EQ(GetErrorInfo(0, &info), S_FALSE);  // handed over once

    ISupportErrorInfo* support = nullptr;
    ASSERT_EQ(d->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ICalculator), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
    support->Release();

    // a success afterwards leaves no stale record behind
    ASSERT_EQ(late.Call(u"Add", DISPATCH_METHOD, {I4(1), I4(1)}, &r), S_OK);
    EXPECT_EQ(GetErrorInfo(0, &info), S_FALSE);
    d->Release();
}

TEST_F(ServerTest, EventsReachAnAdvisedSink) {
    IDispatch* d = nullptr;
    ASSERT_EQ(
        CoCreateInstance(CLSID_Calculator, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&d)),
        S_OK);
    std::vector<LONG> ticks;
    int done = 0;
    {
        EventConnection events;
        ASSERT_EQ(events.Connect(d, DIID_ICalculatorEvents,
                                 {{kTickEvent, [&](const EventArgs& e) { ticks.push_back(e.Long(0)); }},
                                  {kDoneEvent, [&](const EventArgs&) { ++done; }}}),
                  S_OK);
        VARIANT r;
        ASSERT_EQ(Late(d).Call(u"Ring", DISPATCH_METHOD, {I4(3)}, &r), S_OK);
    }
    EXPECT_EQ(ticks, (std::vector<LONG>{1, 2, 3}));
    EXPECT_EQ(done, 1);
    VARIANT r;
    ASSERT_EQ(Late(d).Call(u"Ring", DISPATCH_METHOD, {I4(1)}, &r), S_OK);  // disconnected: nothing arrives
    EXPECT_EQ(done, 1);
    d->Release();
}

TEST_F(ServerTest, UnloadsOnlyWhenNothingIsAlive) {
    using CanUnload = HRESULT (*)();
    HMODULE probe = LoadLibraryA(kModule.c_str());  // the same module the activation loaded
    ASSERT_NE(probe, nullptr);
    auto canUnload = reinterpret_cast<CanUnload>(GetProcAddress(probe, "DllCanUnloadNow"));
    ASSERT_NE(canUnload, nullptr);

    IUnknown* unk = nullptr;
    ASSERT_EQ(
        CoCreateInstance(CLSID_Calculator, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&unk)),
        S_OK);
    EXPECT_EQ(canUnload(), S_FALSE);
    CoFreeUnusedLibraries();  // must keep the module: the object still runs its code
    ICalculator* calc = nullptr;
    ASSERT_EQ(unk->QueryInterface(IID_ICalculator, reinterpret_cast<void**>(&calc)), S_OK);
    LONG sum = 0;
    EXPECT_EQ(calc->Add(1, 1, &sum), S_OK);
    calc->Release();
    unk->Release();
    EXPECT_EQ(canUnload(), S_OK);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(CoGetClassObject(CLSID_Calculator, CLSCTX_ALL, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)),
              S_OK);
    factory->LockServer(TRUE);
    EXPECT_EQ(canUnload(), S_FALSE);
    factory->LockServer(FALSE);
    factory->Release();
    FreeLibrary(probe);
    EXPECT_TRUE(Mapped("libComTestServer.so"));  // the activation's own load remains
    CoFreeUnusedLibraries();
    EXPECT_FALSE(Mapped("libComTestServer.so"));
    // Activation loads it again.
    ASSERT_EQ(
        CoCreateInstance(CLSID_Calculator, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&unk)),
        S_OK);
    unk->Release();
}

TEST_F(ServerTest, ActivationFailures) {
    const CLSID unknown = PLATFORM_GUID(0x6F1C2AFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1);
    IUnknown* unk = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&unk)),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(unk, nullptr);
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_ALL, IID_IUnknown, nullptr), E_POINTER);

    // a class whose module is gone, and one whose module is no server
    auto registerAt = [](const CLSID& clsid, const std::u16string& path) {
        OLECHAR text[40];
        StringFromGUID2(clsid, text, 40);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT,
                                  (u"CLSID\\" + std::u16string(text) + u"\\InprocServer32").c_str(), 0,
                                  nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       DWORD((path.size() + 1) * sizeof(OLECHAR)));
        RegCloseKey(key);
    };
    const CLSID gone = PLATFORM_GUID(0x6F1C2AF0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2);
    const CLSID notServer = PLATFORM_GUID(0x6F1C2AF1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3);
    registerAt(gone, u"/nonexistent/libGone.so");
    std::string platformPath = Bin() + "/libplatform.so";
    registerAt(notServer, std::u16string(platformPath.begin(), platformPath.end()));
    EXPECT_EQ(CoCreateInstance(gone, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&unk)),
              CO_E_DLLNOTFOUND);
    EXPECT_EQ(CoCreateInstance(notServer, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&unk)),
              CO_E_ERRORINDLL);
}

TEST(Regsvr, MessagesAndExitStatus) {
    ToolRun r = Regsvr("'" + kModule + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "DllRegisterServer in " + kModule + " succeeded.\n");

    r = Regsvr("");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("usage"), std::string::npos);
    r = Regsvr("-x '" + kModule + "'");
    EXPECT_EQ(r.status, 1);

    r = Regsvr(std::string(1, '\'').append(Scratch()).append("/libMissing.so'"));
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("libMissing.so"), std::string::npos);

    r = Regsvr(std::string(1, '\'').append(Bin()).append("/libplatform.so'"));
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("DllRegisterServer entry point was not found"), std::string::npos);

    r = Regsvr("'" + kModule + "'", "COMTEST_REFUSE_REGISTRATION=1");
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.err, "DllRegisterServer in " + kModule + " failed with 0x80070005.\n");
}

// Last, by name: unregistering removes what registration wrote.
TEST(RegsvrUnregister, RemovesTheKeys) {
    ToolRun r = Regsvr("'" + kModule + "'");
    ASSERT_EQ(r.status, 0);
    ASSERT_TRUE(KeyExists(ClsidKey()));
    r = Regsvr("-u '" + kModule + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "DllUnregisterServer in " + kModule + " succeeded.\n");
    EXPECT_FALSE(KeyExists(ClsidKey()));
    EXPECT_FALSE(KeyExists(u"ComTest.Calculator.1"));
    EXPECT_FALSE(KeyExists(u"ComTest.Calculator"));
    EXPECT_FALSE(KeyExists(u"TypeLib\\{6F1C2A13-3B5D-4E21-9A41-1D2E3F405162}"));
    EXPECT_FALSE(KeyExists(u"Interface\\{6F1C2A11-3B5D-4E21-9A41-1D2E3F405162}"));
    IUnknown* unk = nullptr;
    EXPECT_EQ(
        CoCreateInstance(CLSID_Calculator, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&unk)),
        REGDB_E_CLASSNOTREG);
}

}  // namespace
