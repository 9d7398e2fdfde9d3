// Shared by the player tests: audio blocks as the readers make them, waiting on the Qt
// event loop, and a main that gives the tests their QCoreApplication.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace playertest {

// An 18-byte WAVEFORMATEX header and `frames` frames; sample(frame, channel) in -1..1.
inline std::vector<std::uint8_t> MakeBlock(int tag, int rate, int channels, int bits, std::size_t frames,
                                           const std::function<double(std::size_t, int)>& sample) {
    int frameBytes = channels * bits / 8;
    std::vector<std::uint8_t> b(18 + frames * std::size_t(frameBytes));
    auto put16 = [&](std::size_t at, unsigned v) {
        b[at] = std::uint8_t(v);
        b[at + 1] = std::uint8_t(v >> 8);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
    };
    put16(0, unsigned(tag));
    put16(2, unsigned(channels));
    put32(4, std::uint32_t(rate));
    put32(8, std::uint32_t(rate * frameBytes));
    put16(12, unsigned(frameBytes));
    put16(14, unsigned(bits));
    put16(16, 0);
    std::uint8_t* p = b.data() + 18;
    for (std::size_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) {
            double v = std::fmax(-1.0, std::fmin(1.0, sample(f, c)));
            if (tag == 3 && bits == 32) {
                float x = float(v);
                std::memcpy(p, &x, 4);
            } else if (tag == 3) {
                std::memcpy(p, &v, 8);
            } else if (bits == 8) {
                *p = std::uint8_t(std::lround(128 + v * 127));
            } else {
                auto x = std::int32_t(std::lround(v * ((1LL << (bits - 1)) - 1)));
                for (int i = 0; i < bits / 8; ++i) p[i] = std::uint8_t(std::uint32_t(x) >> (8 * i));
            }
            p += bits / 8;
        }
    return b;
}

// ms of 44100 Hz stereo 16-bit, the playback format, as a quiet tone.
inline std::vector<std::uint8_t> PlaybackBlock(int ms) {
    return MakeBlock(1, 44100, 2, 16, std::size_t(44100) * std::size_t(ms) / 1000,
                     [](std::size_t f, int) { return 0.1 * std::sin(double(f) * 0.06); });
}

// Runs the event loop until done() or timeoutMs; returns done().
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(1);
    }
    return done();
}

inline void RunFor(int ms) { WaitUntil([] { return false; }, ms); }

inline bool HaveNullSink() { return std::getenv("KEZ_PULSE_SERVER") != nullptr; }

}  // namespace playertest

// The tests run on the main thread under a QCoreApplication, as the program does; a
// PulseAudio server named by KEZ_PULSE_SERVER is handed to Qt.
#define PLAYER_TEST_MAIN()                                                       \
    int main(int argc, char** argv) {                                            \
        if (const char* s = std::getenv("KEZ_PULSE_SERVER")) setenv("PULSE_SERVER", s, 1); \
        QCoreApplication app(argc, argv);                                        \
        ::testing::InitGoogleTest(&argc, argv);                                  \
        return RUN_ALL_TESTS();                                                  \
    }
