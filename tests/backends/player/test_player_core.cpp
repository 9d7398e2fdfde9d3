// The player's core without the automation layer: reading block headers, converting blocks
// to the playback format, and the engine's queue and events on the silent output (always)
// and on the real device (with a PulseAudio null sink).
#include <QElapsedTimer>
#include <memory>
#include <string>

#include "AudioBlock.h"
#include "PlaybackEngine.h"
#include "PlayerTestSupport.h"

using namespace kezplayer;
using playertest::MakeBlock;
using playertest::PlaybackBlock;
using playertest::WaitUntil;

namespace {

const BlockFormat kPlayback{SampleKind::Pcm, 44100, 2, 16};

std::int16_t S16(const std::vector<std::uint8_t>& pcm, std::size_t frame, int channel) {
    std::size_t at = (frame * 2 + std::size_t(channel)) * 2;
    return std::int16_t(pcm[at] | (pcm[at + 1] << 8));
}

// --- headers ------------------------------------------------------------------------------

TEST(BlockHeader, AcceptsOrRefusesAsTheFormatSays) {
    struct Row {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> edit;
        const char* error;  // nullptr: accepted
    } rows[] = {
        {"16-bit PCM", [](auto&) {}, nullptr},
        {"short header", [](auto& b) { b.resize(17); }, "shorter than its format header"},
        {"zero channels", [](auto& b) { b[2] = b[3] = 0; }, "no channels"},
        {"nine channels", [](auto& b) { b[2] = 9; }, "more channels"},
        {"zero rate", [](auto& b) { b[4] = b[5] = b[6] = b[7] = 0; }, "sample rate"},
        {"12-bit PCM", [](auto& b) { b[14] = 12; }, "PCM sample size"},
        {"16-bit float", [](auto& b) { b[0] = 3; }, "float sample size"},
        {"MP3 tag", [](auto& b) { b[0] = 0x55; }, "neither PCM nor IEEE float"},
        {"extra bytes past the end", [](auto& b) { b[16] = 0xFF; b[17] = 0x7F; }, "runs past its end"},
        {"short extensible", [](auto& b) { b[0] = 0xFE; b[1] = 0xFF; }, "extensible header is incomplete"},
    };
    for (const Row& r : rows) {
        auto block = MakeBlock(1, 44100, 2, 16, 10, [](std::size_t, int) { return 0.0; });
        r.edit(block);
        ParsedBlock parsed;
        std::string err = ParseBlock(block.data(), block.size(), parsed);
        if (r.error == nullptr) {
            EXPECT_EQ(err, "") << r.what;
            EXPECT_EQ(parsed.frames, 10u) << r.what;
        } else {
            EXPECT_NE(err.find(r.error), std::string::npos) << r.what << ": " << err;
        }
    }
}

TEST(BlockHeader, ReadsExtensibleHeadersAndDropsAPartialLastFrame) {
    auto block = MakeBlock(3, 48000, 2, 32, 4, [](std::size_t, int) { return 0.25; });
    // The extensible form: cbSize 22, then valid bits, channel mask, sub-format (tag first).
    std::vector<std::uint8_t> ext(block.begin(), block.begin() + 18);
    ext[0] = 0xFE;
    ext[1] = 0xFF;
    ext[16] = 22;
    std::vector<std::uint8_t> tail(22, 0);
    tail[0] = 32;
    tail[6] = 3;  // IEEE float
    ext.insert(ext.end(), tail.begin(), tail.end());
    ext.insert(ext.end(), block.begin() + 18, block.end());
    ext.push_back(0xAB);  // a stray byte: not a frame
    ParsedBlock parsed;
    ASSERT_EQ(ParseBlock(ext.data(), ext.size(), parsed), "");
    EXPECT_EQ(parsed.format.kind, SampleKind::Float);
    EXPECT_EQ(parsed.format.sampleRate, 48000);
    EXPECT_EQ(parsed.frames, 4u);
    float first;
    std::memcpy(&first, parsed.samples, 4);
    EXPECT_FLOAT_EQ(first, 0.25f);
}

// --- conversion ---------------------------------------------------------------------------

std::vector<std::uint8_t> Convert(const std::vector<std::uint8_t>& block, BlockConverter& conv) {
    ParsedBlock parsed;
    EXPECT_EQ(ParseBlock(block.data(), block.size(), parsed), "");
    std::vector<std::uint8_t> out;
    EXPECT_EQ(conv.Convert(parsed, out), "");
    return out;
}

TEST(BlockConversion, PlaybackFormatIsCopiedExactly) {
    BlockConverter conv(kPlayback);
    auto block = PlaybackBlock(50);
    auto out = Convert(block, conv);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), block.begin() + 18, block.end()));
    EXPECT_EQ(out.size(), block.size() - 18);
}

TEST(BlockConversion, Mono8BitAt22050BecomesStereo16BitAt44100) {
    BlockConverter conv(kPlayback);
    // 8-bit PCM is unsigned: 128 + 64 is half of full scale.
    auto block = MakeBlock(1, 22050, 1, 8, 22050, [](std::size_t, int) { return 64.0 / 127; });
    auto out = Convert(block, conv);
    std::size_t frames = out.size() / 4;
    EXPECT_NEAR(double(frames), 44100, 64) << "one second stays one second";
    for (std::size_t f : {frames / 4, frames / 2, frames * 3 / 4}) {
        EXPECT_NEAR(S16(out, f, 0), 16384, 200);
        EXPECT_EQ(S16(out, f, 0), S16(out, f, 1)) << "mono goes to both channels";
    }
}

TEST(BlockConversion, FloatAt48000KeepsLevelAndChannels) {
    BlockConverter conv(kPlayback);
    const double pi = std::acos(-1.0);
    auto block = MakeBlock(3, 48000, 2, 32, 48000, [&](std::size_t f, int c) {
        double v = 0.5 * std::sin(2 * pi * 1000 * double(f) / 48000);
        return c == 0 ? v : -v;
    });
    auto out = Convert(block, conv);
    std::size_t frames = out.size() / 4;
    EXPECT_NEAR(double(frames), 44100, 64);
    int peak = 0;
    for (std::size_t f = 1000; f < frames - 1000; ++f) {
        peak = std::max(peak, int(S16(out, f, 0)));
        EXPECT_NEAR(S16(out, f, 0), -S16(out, f, 1), 2) << "frame " << f;
    }
    EXPECT_NEAR(peak, 16384, 600);
}

TEST(BlockConversion, Pcm24And64BitFloatAreConverted) {
    BlockConverter conv(kPlayback);
    auto pcm24 = MakeBlock(1, 44100, 2, 24, 1000, [](std::size_t, int c) { return c == 0 ? 0.5 : -0.25; });
    auto out = Convert(pcm24, conv);
    ASSERT_EQ(out.size(), 4000u);
    EXPECT_NEAR(S16(out, 500, 0), 16383, 2);
    EXPECT_NEAR(S16(out, 500, 1), -8192, 2);
    auto dbl = MakeBlock(3, 44100, 1, 64, 1000, [](std::size_t, int) { return -0.5; });
    out = Convert(dbl, conv);
    ASSERT_EQ(out.size(), 4000u);
    EXPECT_NEAR(S16(out, 500, 0), -16384, 2);
    EXPECT_EQ(S16(out, 500, 0), S16(out, 500, 1));
}

// --- the engine ---------------------------------------------------------------------------

struct Recorder {
    std::vector<std::string> events;
    std::function<void()> onBlock, onEnd;
    EngineEvents Events() {
        return {[this] {
                    events.push_back("block");
                    if (onBlock) onBlock();
                },
                [](std::int64_t) {}, [] {},
                [this] {
                    events.push_back("end");
                    if (onEnd) onEnd();
                }};
    }
    bool Ended() const { return !events.empty() && events.back() == "end"; }
};

TEST(Engine, PlaysQueuedBlocksInRealTimeAndEndsOnce) {
    Recorder rec;
    PlaybackEngine engine(rec.Events());
    bool playingAtEnd = false;
    rec.onEnd = [&] { playingAtEnd = engine.Playing(); };
    ASSERT_EQ(engine.Start(kPlayback, OutputChoice::Silent), "");
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(engine.Enqueue(PlaybackBlock(150).data(), PlaybackBlock(150).size()), "");
    ASSERT_EQ(engine.Enqueue(PlaybackBlock(150).data(), PlaybackBlock(150).size()), "");
    ASSERT_TRUE(WaitUntil([&] { return rec.Ended(); }, 20000));
    // The silent output is a clock: 300 ms of audio cannot be over sooner.
    EXPECT_GE(clock.elapsed(), 270);
    playertest::RunFor(200);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"block", "block", "end"}));
    EXPECT_TRUE(playingAtEnd);
    EXPECT_TRUE(engine.Playing()) << "playing until stopped";
    EXPECT_EQ(engine.PlayedFrames(), 2 * 44100 * 150 / 1000);
}

TEST(Engine, FedBlockByBlockFromTheEndEventAsTheProgramDoes) {
    Recorder rec;
    PlaybackEngine engine(rec.Events());
    int handed = 0;
    std::size_t mostQueued = 0;
    auto feed = [&] {
        if (handed == 6) return;
        // Alternating source formats, as a merge of different files would not do but a
        // reader of any format may.
        auto block = handed % 2 ? MakeBlock(1, 22050, 1, 8, 2205, [](std::size_t, int) { return 0.1; })
                                : MakeBlock(3, 48000, 2, 32, 4800, [](std::size_t, int) { return 0.1; });
        ASSERT_EQ(engine.Enqueue(block.data(), block.size()), "");
        ++handed;
        mostQueued = std::max(mostQueued, engine.QueuedBlocks());
    };
    rec.onBlock = feed;
    rec.onEnd = [&] { engine.Stop(); };
    ASSERT_EQ(engine.Start(kPlayback, OutputChoice::Silent), "");
    feed();
    feed();
    ASSERT_TRUE(WaitUntil([&] { return rec.Ended(); }, 5000));
    std::vector<std::string> expected(6, "block");
    expected.push_back("end");
    EXPECT_EQ(rec.events, expected);
    EXPECT_EQ(mostQueued, 2u);
    EXPECT_FALSE(engine.Playing());
    EXPECT_NEAR(double(engine.PlayedFrames()), 6 * 4410, 6 * 64);
}

TEST(Engine, StopDropsTheQueueAndRaisesNothingMore) {
    Recorder rec;
    PlaybackEngine engine(rec.Events());
    rec.onBlock = [&] { engine.Stop(); };
    ASSERT_EQ(engine.Start(kPlayback, OutputChoice::Silent), "");
    for (int i = 0; i < 3; ++i) engine.Enqueue(PlaybackBlock(100).data(), PlaybackBlock(100).size());
    ASSERT_TRUE(WaitUntil([&] { return !rec.events.empty(); }, 20000));
    playertest::RunFor(500);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"block"}));
    EXPECT_FALSE(engine.Playing());
    EXPECT_EQ(engine.QueuedBlocks(), 0u);
    EXPECT_NE(engine.Enqueue(PlaybackBlock(10).data(), PlaybackBlock(10).size()), "") << "not started";

    // A new start plays again, with none of the old blocks.
    rec.events.clear();
    rec.onBlock = nullptr;
    ASSERT_EQ(engine.Start(kPlayback, OutputChoice::Silent), "");
    engine.Enqueue(PlaybackBlock(50).data(), PlaybackBlock(50).size());
    ASSERT_TRUE(WaitUntil([&] { return rec.Ended(); }, 20000));
    EXPECT_EQ(rec.events, (std::vector<std::string>{"block", "end"}));
}

TEST(Engine, StartWithoutBlocksEndsAndABadBlockIsRefused) {
    Recorder rec;
    PlaybackEngine engine(rec.Events());
    EXPECT_NE(engine.Start({SampleKind::Pcm, 44100, 2, 24}, OutputChoice::Silent), "");
    ASSERT_EQ(engine.Start(kPlayback, OutputChoice::Silent), "");
    std::vector<std::uint8_t> bad(10, 0);
    EXPECT_NE(engine.Enqueue(bad.data(), bad.size()), "");
    EXPECT_EQ(engine.QueuedBlocks(), 0u);
    ASSERT_TRUE(WaitUntil([&] { return rec.Ended(); }, 20000));
    EXPECT_EQ(rec.events, (std::vector<std::string>{"end"}));
}

TEST(Engine, AHandlerMayDestroyTheEngine) {
    Recorder rec;
    auto engine = std::make_unique<PlaybackEngine>(rec.Events());
    rec.onBlock = [&] { engine.reset(); };
    ASSERT_EQ(engine->Start(kPlayback, OutputChoice::Silent), "");
    engine->Enqueue(PlaybackBlock(30).data(), PlaybackBlock(30).size());
    engine->Enqueue(PlaybackBlock(30).data(), PlaybackBlock(30).size());
    ASSERT_TRUE(WaitUntil([&] { return engine == nullptr; }, 20000));
    playertest::RunFor(100);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"block"}));
}

TEST(Engine, PlaysThroughTheAudioDevice) {
    if (!playertest::HaveNullSink()) GTEST_SKIP() << "KEZ_PULSE_SERVER not set: no PulseAudio null sink to play to";
    Recorder rec;
    PlaybackEngine engine(rec.Events());
    ASSERT_EQ(engine.Start(kPlayback, OutputChoice::DeviceOrSilent), "");
    ASSERT_TRUE(engine.UsingDevice()) << "the null sink should be the default output";
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 2; ++i) engine.Enqueue(PlaybackBlock(250).data(), PlaybackBlock(250).size());
    ASSERT_TRUE(WaitUntil([&] { return rec.Ended(); }, 5000));
    EXPECT_GE(clock.elapsed(), 400);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"block", "block", "end"}));
    engine.Stop();
}

}  // namespace

PLAYER_TEST_MAIN()
