#include "AudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QIODevice>
#include <QMediaDevices>
#include <algorithm>

namespace kezplayer {
namespace {

std::int64_t BytesPerSecondOf(const BlockFormat& f) { return std::int64_t(f.sampleRate) * f.FrameBytes(); }

// The play position of an output that plays at the real-time rate: it moves on with the
// time passed but never beyond the data handed over, so a starved output stands still, as
// a device does on an underrun.
class PlayClock {
public:
    explicit PlayClock(const BlockFormat& format)
        : bytesPerSecond_(BytesPerSecondOf(format)), frameBytes_(format.FrameBytes()) {
        clock_.start();
    }
    void Written(std::int64_t bytes) {
        Advance();
        written_ += bytes;
    }
    std::int64_t Written() const { return written_; }
    std::int64_t Played() {
        Advance();
        return played_;
    }
    std::int64_t FrameBytes() const { return frameBytes_; }
    std::int64_t BytesPerSecond() const { return bytesPerSecond_; }

private:
    void Advance() {
        std::int64_t nowNs = clock_.nsecsElapsed();
        std::int64_t gained = (nowNs - lastNs_) * bytesPerSecond_ / 1000000000 + remainder_;
        lastNs_ = nowNs;
        std::int64_t wholeFrames = gained / frameBytes_ * frameBytes_;
        remainder_ = gained - wholeFrames;
        played_ = std::min(played_ + wholeFrames, written_);
        if (played_ == written_) remainder_ = 0;
    }

    std::int64_t bytesPerSecond_;
    std::int64_t frameBytes_;
    QElapsedTimer clock_;
    std::int64_t lastNs_ = 0;
    std::int64_t remainder_ = 0;
    std::int64_t written_ = 0;
    std::int64_t played_ = 0;
};

class SilentOutput final : public AudioOutput {
public:
    explicit SilentOutput(const BlockFormat& format)
        : clock_(format), ahead_(clock_.BytesPerSecond() / 5 / clock_.FrameBytes() * clock_.FrameBytes()) {}

    std::size_t Write(const std::uint8_t*, std::size_t size) override {
        std::int64_t room = std::max<std::int64_t>(0, clock_.Played() + ahead_ - clock_.Written());
        std::size_t taken = std::min<std::size_t>(size, std::size_t(room));
        clock_.Written(std::int64_t(taken));
        return taken;
    }
    std::int64_t PlayedBytes() override { return clock_.Played(); }
    bool Failed() override { return false; }
    bool IsDevice() const override { return false; }

private:
    PlayClock clock_;
    std::int64_t ahead_;
};

QAudioFormat::SampleFormat QtSampleFormat(int bits) {
    switch (bits) {
    case 8: return QAudioFormat::UInt8;
    case 16: return QAudioFormat::Int16;
    default: return QAudioFormat::Int32;
    }
}

// The device takes data as fast as its buffers allow (the sound server adds a buffer of
// its own, which the sink's counters do not see), so what has been heard is told by the
// clock over the data handed to the device, as for the silent output.
class DeviceOutput final : public AudioOutput {
public:
    DeviceOutput(const QAudioDevice& device, const QAudioFormat& format, const BlockFormat& block)
        : sink_(device, format), clock_(block) {
        // About half a second of device buffer: enough against scheduling hiccups, small
        // enough that Stop is heard at once.
        std::int64_t fb = clock_.FrameBytes();
        sink_.setBufferSize(int(clock_.BytesPerSecond() / 2 / fb * fb));
        io_ = sink_.start();
    }

    ~DeviceOutput() override { sink_.stop(); }

    bool Started() const { return io_ != nullptr && sink_.error() == QAudio::NoError; }

    std::size_t Write(const std::uint8_t* data, std::size_t size) override {
        if (Failed()) return 0;
        std::int64_t fb = clock_.FrameBytes();
        // Never more than half a second ahead of the clock, whatever the buffers take.
        std::int64_t ahead = clock_.BytesPerSecond() / 2 / fb * fb;
        qint64 room = std::min<qint64>(sink_.bytesFree() / fb * fb, clock_.Played() + ahead - clock_.Written());
        qint64 want = std::min<qint64>(qint64(size), room);
        if (want <= 0) return 0;
        qint64 n = io_->write(reinterpret_cast<const char*>(data), want);
        if (n <= 0) return 0;
        clock_.Written(n);
        return std::size_t(n);
    }

    std::int64_t PlayedBytes() override { return Failed() ? clock_.Written() : clock_.Played(); }

    bool Failed() override {
        QAudio::Error e = sink_.error();
        return io_ == nullptr || (e != QAudio::NoError && e != QAudio::UnderrunError);
    }

    bool IsDevice() const override { return true; }

private:
    QAudioSink sink_;
    QIODevice* io_ = nullptr;
    PlayClock clock_;
};

}  // namespace

std::unique_ptr<AudioOutput> MakeSilentOutput(const BlockFormat& format) {
    return std::make_unique<SilentOutput>(format);
}

std::unique_ptr<AudioOutput> MakeDeviceOutput(const BlockFormat& format) {
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return nullptr;
    QAudioFormat qf;
    qf.setSampleRate(format.sampleRate);
    qf.setChannelCount(format.channels);
    qf.setSampleFormat(QtSampleFormat(format.bitsPerSample));
    if (!device.isFormatSupported(qf)) return nullptr;
    auto out = std::make_unique<DeviceOutput>(device, qf, format);
    if (!out->Started()) return nullptr;
    return out;
}

}  // namespace kezplayer
