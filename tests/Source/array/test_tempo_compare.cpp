// The analyzer's tempo against the same detector as soundstretch runs it, on click tracks
// made here, through the registered library and conversion component.
#include <cmath>

#include "modules_util.h"
#include "wav_util.h"

namespace {

using namespace arraytest;

std::vector<std::int16_t> ClickTrack(double bpm, int seconds) {
    const int rate = 44100;
    std::vector<std::int16_t> s(std::size_t(rate) * seconds);
    int period = int(std::lround(rate * 60.0 / bpm));
    for (std::size_t i = 0; i < s.size(); ++i) {
        int k = int(i % std::size_t(period));
        if (k < 2000) s[i] = std::int16_t(20000 * std::sin(2 * M_PI * 1000 * k / rate) * std::exp(-k / 200.0));
    }
    return s;
}

TEST(TempoCompare, SameEstimateAsSoundstretch) {
    RegisterModules();
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"KezAudioArrayProcessing3.AudioArrayAn.1", &clsid), S_OK);
    IAudioArrayAnalyzer* an = nullptr;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IAudioArrayAnalyzer, reinterpret_cast<void**>(&an)),
              S_OK);
    for (double bpm : {90.0, 120.0, 140.0}) {
        SCOPED_TRACE(bpm);
        std::vector<std::int16_t> track = ClickTrack(bpm, 30);
        std::string path = TempDir() + "/click" + std::to_string(int(bpm)) + ".wav";
        WriteWav16(path, 44100, 1, track);
        std::string report = RunCommand("soundstretch " + path + " -bpm 2>&1");
        std::size_t at = report.find("Detected BPM rate ");
        ASSERT_NE(at, std::string::npos) << report;
        double theirs = std::stod(report.substr(at + 18));

        Array in(ReadWavAsArray(path));
        ASSERT_EQ(an->SetInputArray(in.in()), S_OK);
        FLOAT ours = 0, again = 0;
        ASSERT_EQ(an->GetBPM(&ours), S_OK);
        ASSERT_EQ(an->GetBPM(&again), S_OK);
        EXPECT_EQ(ours, again);
        EXPECT_NEAR(theirs, bpm, 1.0);
        // soundstretch prints one decimal.
        EXPECT_EQ(std::lround(ours * 10), std::lround(theirs * 10)) << "ours " << ours << " theirs " << theirs;
    }
    an->Release();
}

}  // namespace
