// The WMA format list of AudioFormatWMA: the program's use of it (group 0, count, index,
// name), the extra values a writer reads, its errors, late binding, registration, and each
// of the 40 entries encoded by the real wmav2 encoder.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "WmaFormatList.h"
#include "com/combase.h"
#include "cutter/components/EOleException.h"
#include "cutter/components/KezAudioFormatSettings3Lib_TLB.h"
#include "registry/registry.h"

namespace {

std::string BinDir() {
    const char* dir = std::getenv("KEZ_BIN_DIR");
    return dir ? dir : ".";
}

std::string ModulePath() { return BinDir() + "/libKezAudioFormatSettings3.so"; }

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }  // ASCII texts only
std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::string RunCommand(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    int rc = pclose(pipe);
    if (status) *status = rc;
    return out;
}

// The registry's default (or named) string value under HKEY_CLASSES_ROOT, or "<missing>".
std::string ClassesValue(const std::u16string& key, const char16_t* name = nullptr) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return "<missing>";
    char16_t buf[1024] = {};
    DWORD size = sizeof buf, type = 0;
    LSTATUS rc = RegQueryValueExW(k, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS) return "<missing>";
    std::string out;
    for (char16_t* p = buf; *p; ++p) out += char(*p);
    return out;
}

class WmaFormats : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module_ = dlopen(ModulePath().c_str(), RTLD_NOW);
        ASSERT_NE(module_, nullptr) << dlerror();
        auto reg = reinterpret_cast<DllRegisterServerFn>(dlsym(module_, "DllRegisterServer"));
        ASSERT_NE(reg, nullptr);
        ASSERT_EQ(reg(), S_OK);
    }
    static void* module_;
};
void* WmaFormats::module_ = nullptr;

TEST_F(WmaFormats, ListsFortyFormatsAsTheProgramReadsThem) {
    TAudioFormatWMA settings;
    settings.SetFormatGroup(0);
    EXPECT_EQ(settings.FormatGroup(), 0);
    ASSERT_EQ(settings.FormatCount(), 40);
    EXPECT_EQ(settings.FormatIndex(), 39) << "a new object starts at the default entry";

    std::set<std::u16string> names;
    for (int i = 0; i < settings.FormatCount(); ++i) {
        settings.SetFormatIndex(i);
        EXPECT_EQ(settings.FormatIndex(), i);
        std::u16string name = settings.FormatName();
        // The text says what the values are.
        std::string expected = std::to_string(settings.FormatBitrate() / 1000) + " kbps, " +
                               std::to_string(settings.FormatSampleRate() / 1000) + " kHz, " +
                               (settings.FormatChannels() == 1 ? "mono" : "stereo");
        EXPECT_EQ(Narrow(name), expected) << "index " << i;
        EXPECT_TRUE(names.insert(name).second) << "duplicate entry " << Narrow(name);
    }
}

TEST_F(WmaFormats, NamesOfChosenEntries) {
    struct Row {
        int index;
        const char* name;
    } rows[] = {
        {0, "24 kbps, 8 kHz, mono"},       {1, "24 kbps, 11 kHz, mono"},    {9, "32 kbps, 22 kHz, stereo"},
        {31, "128 kbps, 44 kHz, stereo"},  {32, "128 kbps, 48 kHz, stereo"}, {39, "320 kbps, 44 kHz, stereo"},
    };
    TAudioFormatWMA settings;
    for (const Row& r : rows) {
        settings.SetFormatIndex(r.index);
        EXPECT_EQ(Narrow(settings.FormatName()), r.name);
    }
    settings.SetFormatIndex(39);
    EXPECT_EQ(settings.FormatSampleRate(), 44100);
    EXPECT_EQ(settings.FormatChannels(), 2);
    EXPECT_EQ(settings.FormatBitrate(), 320000);
}

TEST_F(WmaFormats, RunsFromLowToHighQuality) {
    TAudioFormatWMA settings;
    int lastBitrate = 0, lastRate = 0, lastChannels = 0;
    for (int i = 0; i < settings.FormatCount(); ++i) {
        settings.SetFormatIndex(i);
        int b = settings.FormatBitrate(), r = settings.FormatSampleRate(), c = settings.FormatChannels();
        bool ascending = b > lastBitrate || (b == lastBitrate && (r > lastRate || (r == lastRate && c > lastChannels)));
        EXPECT_TRUE(ascending) << "index " << i;
        lastBitrate = b;
        lastRate = r;
        lastChannels = c;
    }
}

TEST_F(WmaFormats, RefusesOutOfRangeChoicesAndKeepsTheCurrentOne) {
    TAudioFormatWMA settings;
    settings.SetFormatIndex(12);
    for (int bad : {-1, 40, 1000}) {
        try {
            settings.SetFormatIndex(bad);
            ADD_FAILURE() << "index " << bad << " accepted";
        } catch (const EOleException& e) {
            EXPECT_EQ(e.ErrorCode(), E_INVALIDARG);
            EXPECT_NE(std::string(e.what()).find("out of range"), std::string::npos) << e.what();
        }
        EXPECT_EQ(settings.FormatIndex(), 12);
    }
    EXPECT_THROW(settings.SetFormatGroup(1), EOleException);
    EXPECT_EQ(settings.FormatGroup(), 0);
}

TEST_F(WmaFormats, WorksThroughLateBinding) {
    TAudioFormatWMA settings;
    IDispatch* disp = settings.DefaultInterface();
    auto id = [&](const char16_t* name) {
        DISPID d = DISPID_UNKNOWN;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        EXPECT_EQ(disp->GetIDsOfNames(GUID_NULL, names, 1, 0, &d), S_OK) << Narrow(name);
        return d;
    };
    DISPID index = id(u"formatINDEX");  // names are matched without regard to case
    DISPID name = id(u"FormatName");
    EXPECT_EQ(id(u"FormatBitrate"), DISPID_AudioFormatWMA_FormatBitrate);

    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;  // converted to the parameter's integer type
    value.bstrVal = SysAllocString(u"31");
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS putArgs{&value, &put, 1, 1};
    ASSERT_EQ(disp->Invoke(index, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &putArgs, nullptr, nullptr, nullptr),
              S_OK);
    VariantClear(&value);

    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(disp->Invoke(name, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
    ASSERT_EQ(result.vt, VT_BSTR);
    EXPECT_EQ(Narrow(result.bstrVal), "128 kbps, 44 kHz, stereo");
    VariantClear(&result);

    // An out-of-range put comes back as an exception with the component's text.
    value.vt = VT_I4;
    value.lVal = 77;
    EXCEPINFO ex{};
    HRESULT hr = disp->Invoke(index, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &putArgs, nullptr, &ex, nullptr);
    EXPECT_EQ(hr, DISP_E_EXCEPTION);
    EXPECT_EQ(ex.scode, E_INVALIDARG);
    ASSERT_NE(ex.bstrDescription, nullptr);
    EXPECT_NE(Narrow(ex.bstrDescription).find("77"), std::string::npos);
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrHelpFile);
}

TEST_F(WmaFormats, RegistersAndUnregistersItsClass) {
    const std::u16string clsid = u"CLSID\\{B0639356-335C-4E47-B63C-12531A7A5206}";
    char* real = realpath(ModulePath().c_str(), nullptr);
    ASSERT_NE(real, nullptr);
    EXPECT_EQ(ClassesValue(clsid + u"\\InprocServer32"), real);
    free(real);
    EXPECT_EQ(ClassesValue(clsid + u"\\InprocServer32", u"ThreadingModel"), "Apartment");
    std::string progId = ClassesValue(clsid + u"\\ProgID");
    EXPECT_EQ(ClassesValue(Wide(progId) + u"\\CLSID"), "{B0639356-335C-4E47-B63C-12531A7A5206}");

    CLSID byName{};
    EXPECT_EQ(CLSIDFromProgID(u"KezAudioFormatSettings3.AudioFormatWMA", &byName), S_OK);
    EXPECT_TRUE(byName == CLASS_AudioFormatWMA);

    auto unreg = reinterpret_cast<DllUnregisterServerFn>(dlsym(module_, "DllUnregisterServer"));
    ASSERT_EQ(unreg(), S_OK);
    EXPECT_EQ(ClassesValue(clsid + u"\\InprocServer32"), "<missing>");
    EXPECT_EQ(ClassesValue(Wide(progId)), "<missing>");
    TAudioFormatWMA unregistered;
    EXPECT_THROW(unregistered.FormatCount(), EOleException);
    auto reg = reinterpret_cast<DllRegisterServerFn>(dlsym(module_, "DllRegisterServer"));
    ASSERT_EQ(reg(), S_OK);
    EXPECT_EQ(unregistered.FormatCount(), 40);
}

// Encodes a short WAV with each entry's values through ffmpeg's wmav2 encoder and reads the
// result back with ffprobe: codec, rate and channels as listed, the header's bitrate as
// listed, and the bytes the encoder really produced per second within 2 % of it.
TEST_F(WmaFormats, EveryEntryIsProducedByTheEncoder) {
    if (std::system("command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null") != 0)
        GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp ? tmp : "/tmp") + "/wmaformats";
    ASSERT_EQ(std::system(("mkdir -p '" + dir + "'").c_str()), 0);
    std::string wav = dir + "/source.wav";
    ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -y -f lavfi -i anoisesrc=d=5:c=pink:r=48000:a=0.3 -ac 2 '" +
                           wav + "'").c_str()),
              0);

    TAudioFormatWMA settings;
    for (int i = 0; i < settings.FormatCount(); ++i) {
        settings.SetFormatIndex(i);
        int bitrate = settings.FormatBitrate(), rate = settings.FormatSampleRate(), ch = settings.FormatChannels();
        SCOPED_TRACE(Narrow(settings.FormatName()));
        std::string out = dir + "/f" + std::to_string(i) + ".wma";
        std::ostringstream cmd;
        cmd << "ffmpeg -nostdin -v error -y -i '" << wav << "' -c:a wmav2 -b:a " << bitrate << " -ar " << rate
            << " -ac " << ch << " '" << out << "' 2>&1";
        int status = 0;
        std::string log = RunCommand(cmd.str(), &status);
        ASSERT_EQ(status, 0) << log;

        std::map<std::string, std::string> stream;
        std::istringstream probe(RunCommand("ffprobe -v error -select_streams a:0 -show_entries "
                                     "stream=codec_name,sample_rate,channels,bit_rate -of default=nw=1 '" + out + "'"));
        for (std::string line; std::getline(probe, line);)
            if (auto eq = line.find('='); eq != std::string::npos) stream[line.substr(0, eq)] = line.substr(eq + 1);
        EXPECT_EQ(stream["codec_name"], "wmav2");
        EXPECT_EQ(stream["sample_rate"], std::to_string(rate));
        EXPECT_EQ(stream["channels"], std::to_string(ch));
        EXPECT_EQ(stream["bit_rate"], std::to_string(bitrate));

        // Coded bytes over decoded duration (the decoder drops one frame of encoder delay, so
        // the source is long enough for that to stay well inside the tolerance).
        std::istringstream sizes(RunCommand("ffprobe -v error -select_streams a:0 -show_entries packet=size -of csv=p=0 '" +
                                     out + "'"));
        double bytes = 0;
        for (std::string line; std::getline(sizes, line);) bytes += std::atof(line.c_str());
        double frames = std::atof(RunCommand("ffmpeg -nostdin -v error -i '" + out + "' -f s16le -ac 1 - | wc -c").c_str()) / 2;
        ASSERT_GT(frames, 0);
        double measured = bytes * 8 * rate / frames;
        EXPECT_NEAR(measured, bitrate, bitrate * 0.02);
    }
}

}  // namespace
