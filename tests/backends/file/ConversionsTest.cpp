// Values across the interface: the input rules for positions and times, the VT_I4/VT_I8
// choice for outputs, and every member reachable by name through IDispatch.
#include <gtest/gtest.h>

#include "ComSupport.h"
#include "ComponentTestSupport.h"
#include "TestMedia.h"
#include "cutter/components/KezAudioFileWMA3Lib_TLB.h"

namespace kezfilecom {
kezserver::ModuleCounts g_counts;
}

namespace {

TEST(Conversions, InputPositionsAndTimes) {
    struct Row {
        VARTYPE vt;
        double real;
        long long integer;
        const char16_t* text;
        bool ok;
        long long want;
    };
    const Row rows[] = {
        {VT_I2, 0, 500, nullptr, true, 500},
        {VT_I4, 0, -7, nullptr, true, -7},
        {VT_I8, 0, 5000000000LL, nullptr, true, 5000000000LL},
        {VT_UI4, 0, 4000000000LL, nullptr, true, 4000000000LL},
        {VT_R8, 1.5, 0, nullptr, true, 2},
        {VT_R8, 2.5, 0, nullptr, true, 2},  // half to even
        {VT_R8, 1e300, 0, nullptr, false, 0},
        {VT_R4, 1234.4, 0, nullptr, true, 1234},
        {VT_BSTR, 0, 0, u"1500", true, 1500},
        {VT_BSTR, 0, 0, u"abc", false, 0},
        {VT_EMPTY, 0, 0, nullptr, true, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.vt);
        VARIANT v;
        VariantInit(&v);
        v.vt = r.vt;
        switch (r.vt) {
            case VT_I2: v.iVal = static_cast<SHORT>(r.integer); break;
            case VT_I4: v.lVal = static_cast<LONG>(r.integer); break;
            case VT_I8: v.llVal = r.integer; break;
            case VT_UI4: v.ulVal = static_cast<ULONG>(r.integer); break;
            case VT_R8: v.dblVal = r.real; break;
            case VT_R4: v.fltVal = static_cast<float>(r.real); break;
            case VT_BSTR: v.bstrVal = SysAllocString(r.text); break;
            default: break;
        }
        std::int64_t got = -99;
        EXPECT_EQ(kezfilecom::GetInt64(v, &got), r.ok);
        if (r.ok) {
            EXPECT_EQ(got, r.want);
        }
        VariantClear(&v);
    }
}

TEST(Conversions, OutputsAreI4WhileTheyFit) {
    const std::int64_t values[] = {0, 2147483647LL, 2147483648LL, -2147483648LL, 6000000000LL};
    const VARTYPE types[] = {VT_I4, VT_I4, VT_I8, VT_I4, VT_I8};
    for (int i = 0; i < 5; ++i) {
        VARIANT v;
        kezfilecom::PutInt64(&v, values[i]);
        EXPECT_EQ(v.vt, types[i]);
        EXPECT_EQ(v.vt == VT_I4 ? v.lVal : v.llVal, values[i]);
    }
}

// Each name resolves and a get through Invoke answers (a wrong binding in a member
// table shows as a failure or a type the name does not have).
void CheckGets(IDispatch* disp, const std::vector<std::pair<std::u16string, VARTYPE>>& gets) {
    for (const auto& [name, vt] : gets) {
        SCOPED_TRACE(filetest::Utf8(name));
        std::u16string n = name;
        LPOLESTR names[] = {n.data()};
        DISPID id = DISPID_UNKNOWN;
        ASSERT_EQ(disp->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), S_OK);
        VARIANT result;
        VariantInit(&result);
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        ASSERT_EQ(disp->Invoke(id, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
        EXPECT_EQ(result.vt, vt);
        VariantClear(&result);
    }
}

TEST(Conversions, EveryMemberByName) {
    ASSERT_TRUE(filetest::RegisterModule("KezAudioFile3"));
    ASSERT_TRUE(filetest::RegisterModule("KezAudioFileWMA3"));
    std::string dir = testmedia::MakeTempDir("names");
    std::string path = testmedia::MakeMp3(dir, "n.mp3", testmedia::WavSpec{44100, 2, 16, 0.5});
    TAudioFileInformation3 tags;
    ASSERT_TRUE(tags.ReadFromFile(path));
    CheckGets(tags.DefaultInterface(), {{u"Title", VT_BSTR}, {u"Artist", VT_BSTR}, {u"Album", VT_BSTR},
                                        {u"Comments", VT_BSTR}, {u"Genre", VT_BSTR}, {u"Year", VT_I4},
                                        {u"Track", VT_I4}, {u"TagType", VT_I2}, {u"Mode", VT_I4},
                                        {u"AudioInfo", VT_DISPATCH}});
    TAudioFile3 file;
    file.Open(path);
    CheckGets(file.DefaultInterface(), {{u"AudioInfo", VT_DISPATCH}});
    IAudioInfo* info = nullptr;
    ASSERT_EQ(file.DefaultInterface()->get_AudioInfo(&info), S_OK);
    CheckGets(info, {{u"SampleRate", VT_I4}, {u"Bitrate", VT_I4}, {u"Duration", VT_I4}, {u"Channels", VT_I4},
                     {u"SampleSize", VT_I4}, {u"FormatTag", VT_I4}, {u"CompressRate", VT_R8}, {u"Size", VT_I4},
                     {u"Position", VT_I4}});
    // The file's IAudioInfo answers its own identifier, the WMA library's answers the other.
    void* p = nullptr;
    EXPECT_EQ(info->QueryInterface(IID_IAudioInfo, &p), S_OK);
    static_cast<IUnknown*>(p)->Release();
    EXPECT_EQ(info->QueryInterface(IID_IAudioInfoWMA, &p), E_NOINTERFACE);
    info->Release();
    file.Close();
    TAudioFileWMAInformation3 wma;
    CheckGets(wma.DefaultInterface(), {{u"Title", VT_BSTR}, {u"Artist", VT_BSTR}, {u"Album", VT_BSTR},
                                       {u"Comments", VT_BSTR}, {u"Genre", VT_BSTR}, {u"Year", VT_I4},
                                       {u"Track", VT_I4}, {u"AudioInfo", VT_DISPATCH}});
    testmedia::RemoveTree(dir);
}

}  // namespace
