// AudioPlayer3 as the program uses it: created by class id through TAudioPlayer3, fed from
// its end-of-block event, stopped from its end event; plus its errors, late binding, its
// registration and the real device output.
#include <dlfcn.h>

#include <QElapsedTimer>
#include <string>

#include "PlayerTestSupport.h"
#include "com/combase.h"
#include "com/connection.h"
#include "cutter/components/EOleException.h"
#include "cutter/components/KezAudioPlayer3Lib_TLB.h"
#include "automation/oleauto.h"
#include "registry/registry.h"

using playertest::MakeBlock;
using playertest::PlaybackBlock;
using playertest::WaitUntil;

namespace {

std::string ModulePath() {
    const char* dir = std::getenv("KEZ_BIN_DIR");
    return std::string(dir ? dir : ".") + "/libKezAudioPlayer3.so";
}

// A VARIANT holding a byte array, as a reader hands it out; frees itself.
struct Block {
    VARIANT v;
    explicit Block(const std::vector<std::uint8_t>& bytes) {
        VariantInit(&v);
        v.vt = VT_ARRAY | VT_UI1;
        v.parray = SafeArrayCreateVector(VT_UI1, 0, ULONG(bytes.size()));
        void* data = nullptr;
        SafeArrayAccessData(v.parray, &data);
        std::memcpy(data, bytes.data(), bytes.size());
        SafeArrayUnaccessData(v.parray);
    }
    ~Block() { VariantClear(&v); }
};

class AudioPlayer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        void* module = dlopen(ModulePath().c_str(), RTLD_NOW);
        ASSERT_NE(module, nullptr) << dlerror();
        auto reg = reinterpret_cast<DllRegisterServerFn>(dlsym(module, "DllRegisterServer"));
        ASSERT_NE(reg, nullptr);
        ASSERT_EQ(reg(), S_OK);
    }

    // The program's set-up: handlers, Mode, then StartMode 2 and Start 44100, 2, 16, 0.
    void StartSilent(TAudioPlayer3& player) {
        player.SetMode(AudioPlayer3ModeSilent);
        player.SetStartMode(2);
        player.Start(44100, 2, 16, 0);
    }
};

TEST_F(AudioPlayer, KeepsItsModesAndRefusesUnknownOnes) {
    TAudioPlayer3 player;
    EXPECT_EQ(player.Mode(), AudioPlayer3ModeDevice);
    player.SetMode(1);
    player.SetStartMode(2);
    EXPECT_EQ(player.StartMode(), 2);
    EXPECT_FALSE(player.Playing());
    EXPECT_THROW(player.SetMode(7), EOleException);
    EXPECT_EQ(player.Mode(), 1);
    EXPECT_THROW(player.Start(44100, 2, 12, 0), EOleException);
    EXPECT_THROW(player.Start(44100, 0, 16, 0), EOleException);
    EXPECT_FALSE(player.Playing());
}

TEST_F(AudioPlayer, FeedsAndStopsAsTheProgramDoes) {
    TAudioPlayer3 player;
    std::vector<std::string> events;
    int handed = 0;
    bool playingInEnd = false;
    // Blocks of what the readers return: 22050 Hz mono 8-bit, 48000 Hz float stereo, and
    // the playback format itself.
    std::vector<std::vector<std::uint8_t>> source = {
        MakeBlock(1, 22050, 1, 8, 2205, [](std::size_t, int) { return 0.2; }),
        MakeBlock(3, 48000, 2, 32, 4800, [](std::size_t f, int) { return 0.2 * std::sin(double(f)); }),
        PlaybackBlock(100),
        MakeBlock(1, 22050, 1, 8, 2205, [](std::size_t, int) { return -0.2; }),
    };
    auto feed = [&] {
        if (handed == int(source.size())) return;  // the reader has no more data
        Block b(source[std::size_t(handed++)]);
        player.PlayArray(b.v);
    };
    player.OnEndArrayPlay = [&] {
        events.push_back("block");
        feed();
    };
    player.OnEndPlay = [&] {
        events.push_back("end");
        playingInEnd = player.Playing();
        player.Stop();
    };
    StartSilent(player);
    EXPECT_TRUE(player.Playing());
    feed();
    feed();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(WaitUntil([&] { return !events.empty() && events.back() == "end"; }, 5000));
    EXPECT_GE(clock.elapsed(), 350) << "four blocks of 100 ms are played, not skipped";
    playertest::RunFor(150);
    EXPECT_EQ(events, (std::vector<std::string>{"block", "block", "block", "block", "end"}));
    EXPECT_TRUE(playingInEnd);
    EXPECT_FALSE(player.Playing());
}

TEST_F(AudioPlayer, StopWhilePlayingDropsTheQueue) {
    TAudioPlayer3 player;
    int blocks = 0, ends = 0;
    player.OnEndArrayPlay = [&] { ++blocks; };
    player.OnEndPlay = [&] { ++ends; };
    StartSilent(player);
    for (int i = 0; i < 3; ++i) player.PlayArray(Block(PlaybackBlock(150)).v);
    ASSERT_TRUE(WaitUntil([&] { return blocks == 1; }, 20000));
    player.Stop();
    EXPECT_FALSE(player.Playing());
    playertest::RunFor(600);
    EXPECT_EQ(blocks, 1);
    EXPECT_EQ(ends, 0);
    // After Stop the player takes no block until started again.
    EXPECT_THROW(player.PlayArray(Block(PlaybackBlock(10)).v), EOleException);
}

TEST_F(AudioPlayer, RefusesBlocksItCannotPlay) {
    TAudioPlayer3 player;
    StartSilent(player);
    auto expectRefused = [&](const VARIANT& v, const char* text) {
        try {
            player.PlayArray(v);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const EOleException& e) {
            EXPECT_EQ(e.ErrorCode(), E_INVALIDARG);
            EXPECT_NE(std::string(e.what()).find(text), std::string::npos) << e.what();
        }
    };
    VARIANT number;
    VariantInit(&number);
    number.vt = VT_I4;
    number.lVal = 5;
    expectRefused(number, "not a byte array");
    VARIANT empty;
    VariantInit(&empty);
    expectRefused(empty, "not a byte array");
    expectRefused(Block(std::vector<std::uint8_t>(12, 1)).v, "shorter than its format header");
    auto noChannels = PlaybackBlock(10);
    noChannels[2] = 0;
    expectRefused(Block(noChannels).v, "no channels");
    EXPECT_TRUE(player.Playing()) << "a refused block does not stop playback";

    // A reference to a byte array (as late-bound callers pass) is taken.
    Block good(PlaybackBlock(10));
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_VARIANT | VT_BYREF;
    ref.pvarVal = &good.v;
    EXPECT_NO_THROW(player.PlayArray(ref));
    player.Stop();
}

TEST_F(AudioPlayer, RaisesTimerEventsWithTheFramesPlayed) {
    TAudioPlayer3 player;
    std::vector<long long> samples;
    bool ended = false;
    player.OnTimer = [&](long long n) { samples.push_back(n); };
    player.OnEndPlay = [&] { ended = true; };
    StartSilent(player);
    player.PlayArray(Block(PlaybackBlock(600)).v);
    ASSERT_TRUE(WaitUntil([&] { return ended; }, 20000));
    ASSERT_GE(samples.size(), 2u);
    for (std::size_t i = 1; i < samples.size(); ++i) EXPECT_GE(samples[i], samples[i - 1]);
    EXPECT_LE(samples.back(), 44100 * 6 / 10);
    player.Stop();
}

TEST_F(AudioPlayer, WorksThroughLateBindingAndEventSinks) {
    void* p = nullptr;
    ASSERT_EQ(CoCreateInstance(CLASS_AudioPlayer3, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &p), S_OK);
    auto* disp = static_cast<IDispatch*>(p);
    auto id = [&](const char16_t* name) {
        DISPID d = DISPID_UNKNOWN;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        EXPECT_EQ(disp->GetIDsOfNames(GUID_NULL, names, 1, 0, &d), S_OK);
        return d;
    };
    int blocks = 0;
    bool ended = false;
    platform::EventConnection events;
    ASSERT_EQ(events.Connect(disp, DIID_IAudioPlayer3Events,
                             {{DISPID_AudioPlayer3Events_OnEndArrayPlay, [&](const platform::EventArgs&) { ++blocks; }},
                              {DISPID_AudioPlayer3Events_OnEndPlay, [&](const platform::EventArgs&) { ended = true; }}}),
              S_OK);

    VARIANT mode;
    VariantInit(&mode);
    mode.vt = VT_I4;
    mode.lVal = 0;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS putArgs{&mode, &put, 1, 1};
    ASSERT_EQ(disp->Invoke(id(u"mode"), GUID_NULL, 0, DISPATCH_PROPERTYPUT, &putArgs, nullptr, nullptr, nullptr), S_OK);

    VARIANT args[4];  // reverse order: flags, bits, channels, rate
    for (auto& a : args) {
        VariantInit(&a);
        a.vt = VT_I4;
    }
    args[0].lVal = 0;
    args[1].lVal = 16;
    args[2].lVal = 2;
    args[3].lVal = 44100;
    DISPPARAMS startArgs{args, nullptr, 4, 0};
    ASSERT_EQ(disp->Invoke(id(u"Start"), GUID_NULL, 0, DISPATCH_METHOD, &startArgs, nullptr, nullptr, nullptr), S_OK);

    Block block(PlaybackBlock(80));
    DISPPARAMS playArgs{&block.v, nullptr, 1, 0};
    ASSERT_EQ(disp->Invoke(id(u"PlayArray"), GUID_NULL, 0, DISPATCH_METHOD, &playArgs, nullptr, nullptr, nullptr),
              S_OK);

    VARIANT playing;
    VariantInit(&playing);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(disp->Invoke(id(u"Playing"), GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, &playing, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(playing.vt, VT_BOOL);
    EXPECT_EQ(playing.boolVal, VARIANT_TRUE);

    ASSERT_TRUE(WaitUntil([&] { return ended; }, 20000));
    EXPECT_EQ(blocks, 1);

    // A bad block through Invoke: the component's text in EXCEPINFO.
    VARIANT bad;
    VariantInit(&bad);
    bad.vt = VT_I4;
    DISPPARAMS badArgs{&bad, nullptr, 1, 0};
    EXCEPINFO ex{};
    EXPECT_EQ(disp->Invoke(id(u"PlayArray"), GUID_NULL, 0, DISPATCH_METHOD, &badArgs, nullptr, &ex, nullptr),
              DISP_E_EXCEPTION);
    EXPECT_EQ(ex.scode, E_INVALIDARG);
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrHelpFile);

    events.Disconnect();
    disp->Release();
}

TEST_F(AudioPlayer, TheLastReferenceMayGoInsideAnEvent) {
    void* p = nullptr;
    ASSERT_EQ(CoCreateInstance(CLASS_AudioPlayer3, nullptr, CLSCTX_INPROC_SERVER, IID_IAudioPlayer3, &p), S_OK);
    auto* player = static_cast<IAudioPlayer3*>(p);
    IDispatch* sink = nullptr;
    int blocks = 0;
    ASSERT_EQ(platform::CreateEventSink(DIID_IAudioPlayer3Events,
                                        {{DISPID_AudioPlayer3Events_OnEndArrayPlay,
                                          [&](const platform::EventArgs&) {
                                              ++blocks;
                                              if (player) {
                                                  player->Release();  // the player's last reference
                                                  player = nullptr;
                                              }
                                          }}},
                                        &sink),
              S_OK);
    IConnectionPointContainer* cpc = nullptr;
    ASSERT_EQ(player->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&cpc)), S_OK);
    IConnectionPoint* cp = nullptr;
    ASSERT_EQ(cpc->FindConnectionPoint(DIID_IAudioPlayer3Events, &cp), S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(cp->Advise(sink, &cookie), S_OK);
    cp->Release();
    cpc->Release();
    ASSERT_EQ(player->put_Mode(0), S_OK);
    ASSERT_EQ(player->Start(44100, 2, 16, 0), S_OK);
    Block a(PlaybackBlock(40)), b(PlaybackBlock(40));
    ASSERT_EQ(player->PlayArray(a.v), S_OK);
    ASSERT_EQ(player->PlayArray(b.v), S_OK);
    ASSERT_TRUE(WaitUntil([&] { return player == nullptr; }, 20000));
    playertest::RunFor(200);
    EXPECT_EQ(blocks, 1) << "nothing is raised by a player that is gone";
    sink->Release();
}

TEST_F(AudioPlayer, RegistersItsClass) {
    const std::u16string key = u"CLSID\\{E2BBC47D-C47E-4A9B-B2C2-05823C52E20B}\\InprocServer32";
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k), ERROR_SUCCESS);
    char16_t buf[512] = {};
    DWORD size = sizeof buf;
    ASSERT_EQ(RegQueryValueExW(k, u"ThreadingModel", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(buf), u"Apartment");
    size = sizeof buf;
    ASSERT_EQ(RegQueryValueExW(k, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
    RegCloseKey(k);
    std::u16string path(buf);
    EXPECT_EQ(path.substr(0, 1), u"/");
    EXPECT_EQ(path.substr(path.size() - 21), u"libKezAudioPlayer3.so");
    CLSID byName{};
    EXPECT_EQ(CLSIDFromProgID(u"KezAudioPlayer3.AudioPlayer3", &byName), S_OK);
    EXPECT_TRUE(byName == CLASS_AudioPlayer3);
}

TEST_F(AudioPlayer, PlaysThroughTheAudioDevice) {
    if (!playertest::HaveNullSink()) GTEST_SKIP() << "KEZ_PULSE_SERVER not set: no PulseAudio null sink to play to";
    TAudioPlayer3 player;
    std::vector<std::string> events;
    int handed = 0;
    player.OnEndArrayPlay = [&] {
        events.push_back("block");
        if (handed < 3) {
            ++handed;
            player.PlayArray(Block(MakeBlock(3, 48000, 2, 32, 9600, [](std::size_t, int) { return 0.1; })).v);
        }
    };
    player.OnEndPlay = [&] {
        events.push_back("end");
        player.Stop();
    };
    player.SetMode(AudioPlayer3ModeDevice);
    player.SetStartMode(2);
    player.Start(44100, 2, 16, 0);
    for (int i = 0; i < 2; ++i, ++handed) player.PlayArray(Block(PlaybackBlock(200)).v);
    ASSERT_TRUE(WaitUntil([&] { return !events.empty() && events.back() == "end"; }, 6000));
    EXPECT_EQ(events, (std::vector<std::string>{"block", "block", "block", "end"}));
}

}  // namespace

PLAYER_TEST_MAIN()
