// The published identifiers of every component class and interface, written out here by
// hand so that a typo in a module's own header cannot hide: each row is checked against
// what the modules register (class, ProgID, application and type-library keys) and answer
// (creation by class id, QueryInterface by interface id, CLSIDFromProgID).
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cstdlib>
#include <string>

#include "com/combase.h"
#include "com/dispatch.h"
#include "com/interfaces.h"
#include "registry/registry.h"
#include "text/codepage.h"

namespace {

std::string Utf8(const std::u16string& s) { return platform::text::Utf16ToUtf8(s); }

GUID Id(const char16_t* text) {
    GUID g{};
    EXPECT_EQ(CLSIDFromString(text, &g), S_OK) << Utf8(text);
    return g;
}

// The default value (or the named value) of a key under the classes root.
std::u16string Value(const std::u16string& path, const char16_t* name = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return u"<missing>";
    char16_t buf[1024] = {};
    DWORD size = sizeof buf, type = 0;
    LONG err = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(key);
    return err == ERROR_SUCCESS ? std::u16string(buf) : u"<no value>";
}

std::u16string ModulePath(const char* module) {
    const char* bin = std::getenv("KEZ_BIN_DIR");
    return platform::text::Utf8ToUtf16(std::string(bin ? bin : ".") + "/lib" + module + ".so");
}

HRESULT Register(const char* module) {
    HMODULE m = LoadLibraryW(ModulePath(module).c_str());
    if (!m) return E_FAIL;
    auto reg = reinterpret_cast<DllRegisterServerFn>(GetProcAddress(m, "DllRegisterServer"));
    return reg ? reg() : E_FAIL;
}

bool EndsWith(const std::u16string& s, const std::u16string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Asks an object for an interface by id; true when it answers.
bool Answers(IUnknown* obj, const char16_t* iid) {
    IUnknown* p = nullptr;
    HRESULT hr = obj->QueryInterface(Id(iid), reinterpret_cast<void**>(&p));
    if (SUCCEEDED(hr) && p) p->Release();
    return hr == S_OK && p;
}

IUnknown* Create(const char16_t* clsid, const char16_t* iid) {
    IUnknown* obj = nullptr;
    HRESULT hr = CoCreateInstance(Id(clsid), nullptr, CLSCTX_INPROC_SERVER, Id(iid), reinterpret_cast<void**>(&obj));
    EXPECT_EQ(hr, S_OK) << Utf8(clsid) << " as " << Utf8(iid);
    return SUCCEEDED(hr) ? obj : nullptr;
}

// A property read through late binding, so no header's vtable is involved.
IDispatch* DispatchProperty(IUnknown* obj, const char16_t* name) {
    IDispatch* disp = nullptr;
    if (obj->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp)) != S_OK) return nullptr;
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{};
    HRESULT hr = disp->GetIDsOfNames(GUID_NULL, names, 1, 0, &id);
    if (hr == S_OK) hr = disp->Invoke(id, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
    disp->Release();
    if (hr != S_OK || result.vt != VT_DISPATCH) {
        VariantClear(&result);
        return nullptr;
    }
    return result.pdispVal;  // the reference passes to the caller
}

class Identifiers : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The player component plays through the host's Qt event loop.
        static int argc = 1;
        static char name[] = "test_identifiers";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) static QCoreApplication app(argc, argv);
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        for (const char* m : {"KezAudioFile3", "KezAudioFileWMA3", "KezAudioFormatSettings3", "KezAudioPlayer3",
                              "AudioFormat", "KezAudioCompress3", "KezAudioArrayProcessing3", "KezAudioChunksEditor3"})
            ASSERT_EQ(Register(m), S_OK) << m;
    }
};

// Outside components: class id, interface id, module.
struct ComponentRow {
    const char* module;
    const char16_t* clsid;
    const char16_t* iid;
};
const ComponentRow kComponents[] = {
    {"KezAudioFile3", u"{CD5175E2-7CC1-418C-B66C-0AB95DAD4103}", u"{A56CF6A5-A4B8-4005-B32E-AEF6EF261AFA}"},
    {"KezAudioFile3", u"{B162A975-6C7C-4202-9167-306028913A3D}", u"{B0C99786-BE00-421A-A45E-D33006033643}"},
    {"KezAudioFileWMA3", u"{87CD3140-EEC0-463F-8872-6E564D9DEDE5}", u"{FE7E2174-A740-47E5-8D02-F8D5AC09DF03}"},
    {"KezAudioFileWMA3", u"{D8BFC514-1135-4393-B09A-193D2AAC5037}", u"{B95BC3B4-D2A6-4152-BDB5-914D9A4F85E8}"},
    {"KezAudioFormatSettings3", u"{B0639356-335C-4E47-B63C-12531A7A5206}", u"{28883B8D-BA7B-41AC-A249-7C85405FF82B}"},
    {"KezAudioPlayer3", u"{E2BBC47D-C47E-4A9B-B2C2-05823C52E20B}", u"{53A3813B-F1E5-476D-913F-AC5CCC9749E7}"},
    {"AudioFormat", u"{6BC38BF4-E84D-46E1-920B-42D31AEA617E}", u"{B7EE3E6B-D84B-4DDD-8B91-BD974CC6CA89}"},
};

TEST_F(Identifiers, OutsideComponentsAreFoundByClassAndAnswerTheirInterface) {
    for (const ComponentRow& row : kComponents) {
        SCOPED_TRACE(Utf8(row.clsid));
        const std::u16string key = std::u16string(u"CLSID\\") + row.clsid + u"\\InprocServer32";
        EXPECT_TRUE(EndsWith(Value(key), ModulePath(row.module).substr(ModulePath(row.module).rfind(u'/'))))
            << Utf8(Value(key));
        if (IUnknown* obj = Create(row.clsid, row.iid)) {
            EXPECT_TRUE(Answers(obj, row.iid));
            obj->Release();
        }
    }
}

// Each file and information component hands out its library's own IAudioInfo.
TEST_F(Identifiers, AudioInfoOfEachFileLibrary) {
    const char16_t* kFile3Info = u"{E464B10D-3EE1-4A4F-A6FC-D1881F274807}";
    const char16_t* kWma3Info = u"{8F188A7D-9C9C-4646-8DEB-219E33C8637C}";
    const struct {
        const char16_t* clsid;
        const char16_t* info;
        const char16_t* other;
    } rows[] = {
        {kComponents[0].clsid, kFile3Info, kWma3Info},
        {kComponents[1].clsid, kFile3Info, kWma3Info},
        {kComponents[2].clsid, kWma3Info, kFile3Info},
        {kComponents[3].clsid, kWma3Info, kFile3Info},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(Utf8(row.clsid));
        IUnknown* obj = Create(row.clsid, u"{00000000-0000-0000-C000-000000000046}");
        if (!obj) continue;
        IDispatch* info = DispatchProperty(obj, u"AudioInfo");
        ASSERT_NE(info, nullptr);
        EXPECT_TRUE(Answers(info, row.info));
        EXPECT_FALSE(Answers(info, row.other));
        info->Release();
        obj->Release();
    }
}

TEST_F(Identifiers, PlayerEventInterface) {
    IUnknown* player = Create(kComponents[5].clsid, kComponents[5].iid);
    ASSERT_NE(player, nullptr);
    IConnectionPointContainer* cpc = nullptr;
    ASSERT_EQ(player->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&cpc)), S_OK);
    IConnectionPoint* cp = nullptr;
    EXPECT_EQ(cpc->FindConnectionPoint(Id(u"{830AB160-FDAA-4A4E-BCCC-2D3C3FAC0915}"), &cp), S_OK);
    if (cp) cp->Release();
    cpc->Release();
    player->Release();
}

TEST_F(Identifiers, MetadataEditorHeaderInfo) {
    HMODULE module = LoadLibraryW(u"WMVCORE.DLL");
    ASSERT_NE(module, nullptr) << PlatformLastLoadError();
    using CreateFn = HRESULT (*)(IUnknown**);
    auto create = reinterpret_cast<CreateFn>(GetProcAddress(module, "WMCreateEditor"));
    ASSERT_NE(create, nullptr);
    IUnknown* editor = nullptr;
    ASSERT_EQ(create(&editor), S_OK);
    EXPECT_TRUE(Answers(editor, u"{15CC68E3-27CC-4ECD-B222-3F5D02D80BD5}"));
    editor->Release();
}

// The two component libraries: library identity, then every class as registered.
struct LibraryRow {
    const char* module;
    const char16_t* libid;
    const char16_t* help;
    const char16_t* appid;
    const char16_t* appName;
};
const LibraryRow kLibraries[] = {
    {"KezAudioArrayProcessing3", u"{8EA0D77E-6A8C-4526-B5B8-FFC9CBF68020}", u"KezAudioArrayProcessing 3.0 Type Library",
     u"{AB4EC6B9-13C8-4D4F-9193-79BB7EE8303B}", u"KezAudioArrayProcessing3"},
    {"KezAudioChunksEditor3", u"{063C9EBD-49D8-446A-9E11-F932BCBD9B63}", u"KezAudioChunksEditor 3.0 Type Library",
     u"{B0409E57-1E14-4374-BFC4-CCC8237FD108}", u"KezAudioChunksEditor3"},
};

struct ClassRow {
    const LibraryRow& lib;
    const char16_t* clsid;
    const char16_t* iid;
    const char16_t* description;
    const char16_t* progId;
    const char16_t* viProgId;
};
const ClassRow kClasses[] = {
    {kLibraries[0], u"{D4355793-A7D6-462B-8D94-80E42D0DB060}", u"{B421D7EC-F531-4BF4-ADDE-C6AD5447BB94}",
     u"AudioArrayProcessing3 Class", u"KezAudioArrayProcessing3.AudioArrayPr.1",
     u"KezAudioArrayProcessing3.AudioArrayProc"},
    {kLibraries[0], u"{C494FBDF-6C91-4CEB-AAAB-F7D3AAB6EF87}", u"{09ECDDC5-2D75-4EE0-900A-CB05EFC97E2B}",
     u"AudioChannelsProcessing3 Class", u"KezAudioArrayProcessing3.AudioChannel.1",
     u"KezAudioArrayProcessing3.AudioChannelsP"},
    {kLibraries[0], u"{2B64118B-3B21-4135-AC8C-183471849550}", u"{062D53FA-BE00-4751-BAAB-13EFBEA0CD7B}",
     u"AudioArrayInformation3 Class", u"KezAudioArrayProcessing3.AudioArrayIn.1",
     u"KezAudioArrayProcessing3.AudioArrayInfo"},
    {kLibraries[0], u"{5A43CD39-2EC9-49F3-9114-3A9E28E3C6D4}", u"{77B81A9A-611F-40B3-929E-75A2AD8D6887}",
     u"AudioArrayAnalyzer Class", u"KezAudioArrayProcessing3.AudioArrayAn.1",
     u"KezAudioArrayProcessing3.AudioArrayAnal"},
    {kLibraries[1], u"{1F1BA2AE-A996-4B17-94FD-F0D78ED0FF65}", u"{DF7E2519-0B26-4A51-BE8D-54F4CD2FD5F8}",
     u"WavChunksEditor Class", u"KezAudioChunksEditor3.WavChunksEditor.1", u"KezAudioChunksEditor3.WavChunksEditor"},
    {kLibraries[1], u"{4BA7C669-BDCD-4C6E-BEFC-684581A0E288}", u"{951749EA-9B84-4500-8B6D-C35C0FC24ABC}",
     u"AudioInfo Class", u"KezAudioChunksEditor3.AudioInfo.1", u"KezAudioChunksEditor3.AudioInfo"},
};

TEST_F(Identifiers, LibraryTypeLibrariesAndApplicationIds) {
    for (const LibraryRow& lib : kLibraries) {
        SCOPED_TRACE(lib.module);
        const std::u16string tlb = std::u16string(u"TypeLib\\") + lib.libid + u"\\1.0";
        EXPECT_EQ(Value(tlb), lib.help);
        EXPECT_TRUE(EndsWith(Value(tlb + u"\\409\\linux64"), ModulePath(lib.module).substr(ModulePath(lib.module).rfind(u'/'))));
        EXPECT_EQ(Value(std::u16string(u"AppID\\") + lib.appid), lib.appName);
        EXPECT_EQ(Value(u"AppID\\" + platform::text::Utf8ToUtf16(lib.module) + u".DLL", u"AppID"), lib.appid);
    }
}

TEST_F(Identifiers, LibraryClassesAsRegisteredAndAnswered) {
    for (const ClassRow& c : kClasses) {
        SCOPED_TRACE(Utf8(c.progId));
        const std::u16string key = std::u16string(u"CLSID\\") + c.clsid;
        EXPECT_EQ(Value(key), c.description);
        EXPECT_EQ(Value(key + u"\\ProgID"), c.progId);
        EXPECT_EQ(Value(key + u"\\VersionIndependentProgID"), c.viProgId);
        EXPECT_EQ(Value(key + u"\\InprocServer32", u"ThreadingModel"), u"Apartment");
        EXPECT_EQ(Value(key, u"AppID"), c.lib.appid);
        EXPECT_EQ(Value(key + u"\\TypeLib"), c.lib.libid);
        EXPECT_EQ(Value(std::u16string(c.viProgId) + u"\\CurVer"), c.progId);
        const std::u16string itf = std::u16string(u"Interface\\") + c.iid;
        EXPECT_EQ(Value(itf + u"\\TypeLib"), c.lib.libid);
        EXPECT_EQ(Value(itf + u"\\TypeLib", u"Version"), u"1.0");
        for (const char16_t* progId : {c.progId, c.viProgId}) {
            CLSID found{};
            EXPECT_EQ(CLSIDFromProgID(progId, &found), S_OK);
            EXPECT_TRUE(IsEqualGUID(found, Id(c.clsid))) << Utf8(progId);
        }
        if (IUnknown* obj = Create(c.clsid, c.iid)) {
            EXPECT_TRUE(Answers(obj, c.iid));
            obj->Release();
        }
    }
}

}  // namespace
