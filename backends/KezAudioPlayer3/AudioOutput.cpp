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

std::int64_t BytesPerSecond(const BlockFormat& f) { return std::int64_t(f.sampleRate) * f.FrameBytes(); }

class SilentOutput final : public AudioOutput {
public:
    explicit SilentOutput(const BlockFormat& format)
        : bytesPerSecond_(BytesPerSecond(format)), frameBytes_(format.FrameBytes()),
          ahead_(bytesPerSecond_ / 5 / frameBytes_ * frameBytes_) {
        clock_.start();
    }

    std::size_t Write(const std::uint8_t*, std::size_t size) override {
        Advance();
        std::int64_t room = std::max<std::int64_t>(0, played_ + ahead_ - written_);
        std::size_t taken = std::min<std::size_t>(size, std::size_t(room));
        written_ += std::int64_t(taken);
        return taken;
    }

    std::int64_t PlayedBytes() override {
        Advance();
        return played_;
    }

    bool Failed() override { return false; }
    bool IsDevice() const override { return false; }

private:
    // Moves the play position on by the time passed, but never beyond the data: a starved
    // output stands still, as a device does on an underrun.
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
    std::int64_t ahead_;
    QElapsedTimer clock_;
    std::int64_t lastNs_ = 0;
    std::int64_t remainder_ = 0;
    std::int64_t written_ = 0;
    std::int64_t played_ = 0;
};

QAudioFormat::SampleFormat QtSampleFormat(int bits) {
    switch (bits) {
    case 8: return QAudioFormat::UInt8;
    case 16: return QAudioFormat::Int16;
    default: return QAudioFormat::Int32;
    }
}

class DeviceOutput final : public AudioOutput {
public:
    DeviceOutput(const QAudioDevice& device, const QAudioFormat& format, const BlockFormat& block)
        : sink_(device, format), bytesPerSecond_(BytesPerSecond(block)), frameBytes_(block.FrameBytes()) {
        // About half a second of device buffer: enough against scheduling hiccups, small
        // enough that Stop is heard at once.
        sink_.setBufferSize(int(bytesPerSecond_ / 2 / frameBytes_ * frameBytes_));
        io_ = sink_.start();
    }

    ~DeviceOutput() override { sink_.stop(); }

    bool Started() const { return io_ != nullptr && sink_.error() == QAudio::NoError; }

    std::size_t Write(const std::uint8_t* data, std::size_t size) override {
        if (Failed()) return 0;
        qint64 room = sink_.bytesFree() / frameBytes_ * frameBytes_;
        qint64 want = std::min<qint64>(qint64(size), room);
        if (want <= 0) return 0;
        qint64 n = io_->write(reinterpret_cast<const char*>(data), want);
        if (n <= 0) return 0;
        written_ += n;
        return std::size_t(n);
    }

    std::int64_t PlayedBytes() override {
        if (Failed()) return written_;
        std::int64_t heard = std::int64_t(sink_.processedUSecs()) * bytesPerSecond_ / 1000000;
        heard = heard / frameBytes_ * frameBytes_;
        // An idle sink has played everything it was given.
        if (sink_.state() == QAudio::IdleState) heard = written_;
        played_ = std::clamp(heard, played_, written_);
        return played_;
    }

    bool Failed() override {
        QAudio::Error e = sink_.error();
        return io_ == nullptr || (e != QAudio::NoError && e != QAudio::UnderrunError);
    }

    bool IsDevice() const override { return true; }

private:
    QAudioSink sink_;
    QIODevice* io_ = nullptr;
    std::int64_t bytesPerSecond_;
    std::int64_t frameBytes_;
    std::int64_t written_ = 0;
    std::int64_t played_ = 0;
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
