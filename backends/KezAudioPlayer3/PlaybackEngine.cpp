#include "PlaybackEngine.h"

#include <QTimer>
#include <algorithm>
#include <chrono>

namespace kezplayer {
namespace {

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A playback started without any block ends after this long, so a reader that returned
// nothing still ends playback through the end event.
constexpr std::int64_t kEmptyStartGraceMs = 100;

}  // namespace

PlaybackEngine::PlaybackEngine(EngineEvents events) : events_(std::move(events)), timer_(new QTimer) {
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(kPumpMs);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { Pump(); });
}

PlaybackEngine::~PlaybackEngine() {
    if (destroyed_ != nullptr) *destroyed_ = true;
    Stop();
    // The timer may be the one whose signal is running right now (the last reference was
    // dropped by an event handler); let the event loop delete it.
    QObject::disconnect(timer_.get(), nullptr, nullptr, nullptr);
    timer_.release()->deleteLater();
}

std::string PlaybackEngine::Start(const BlockFormat& format, OutputChoice choice) {
    if (!IsPlayableOutput(format)) return "The player cannot play this format";
    Stop();
    ++generation_;
    format_ = format;
    converter_ = std::make_unique<BlockConverter>(format);
    if (choice == OutputChoice::DeviceOrSilent) output_ = MakeDeviceOutput(format);
    if (!output_) output_ = MakeSilentOutput(format);
    blocks_.clear();
    queuedEnd_ = written_ = outputBase_ = played_ = 0;
    startedMs_ = NowMs();
    lastTimerEventMs_ = 0;
    endReported_ = loadRequested_ = false;
    playing_ = true;
    timer_->start();
    return {};
}

std::string PlaybackEngine::Enqueue(const std::uint8_t* bytes, std::size_t size) {
    if (!playing_) return "The player is not started";
    ParsedBlock parsed;
    if (std::string err = ParseBlock(bytes, size, parsed); !err.empty()) return err;
    Block block;
    if (std::string err = converter_->Convert(parsed, block.pcm); !err.empty()) return err;
    block.start = queuedEnd_;
    queuedEnd_ += std::int64_t(block.pcm.size());
    blocks_.push_back(std::move(block));
    endReported_ = false;
    if (blocks_.size() >= 2) loadRequested_ = false;
    FeedOutput();
    return {};
}

void PlaybackEngine::Stop() {
    ++generation_;
    playing_ = false;
    timer_->stop();
    blocks_.clear();
    output_.reset();
}

std::int64_t PlaybackEngine::PlayedFrames() const {
    int frameBytes = format_.FrameBytes();
    return frameBytes > 0 ? played_ / frameBytes : 0;
}

void PlaybackEngine::FeedOutput() {
    if (!output_) return;
    for (const Block& b : blocks_) {
        std::int64_t end = b.start + std::int64_t(b.pcm.size());
        if (written_ >= end) continue;
        std::size_t offset = std::size_t(written_ - b.start);
        std::size_t want = b.pcm.size() - offset;
        std::size_t took = output_->Write(b.pcm.data() + offset, want);
        written_ += std::int64_t(took);
        if (took < want) return;  // the output is full for now
    }
}

std::int64_t PlaybackEngine::Played() {
    if (output_) played_ = std::clamp(outputBase_ + output_->PlayedBytes(), played_, written_);
    return played_;
}

bool PlaybackEngine::Raise(const std::function<void()>& handler) {
    std::uint64_t generation = generation_;
    bool* destroyed = destroyed_;
    if (handler) handler();
    if (*destroyed) return false;  // the handler released the player
    return playing_ && generation == generation_;
}

void PlaybackEngine::Pump() {
    if (!playing_ || inPump_) return;  // a handler that lets events run re-enters here
    inPump_ = true;
    bool destroyed = false;
    destroyed_ = &destroyed;
    struct Leave {
        PlaybackEngine* self;
        bool& destroyed;
        ~Leave() {
            if (destroyed) return;
            self->inPump_ = false;
            self->destroyed_ = nullptr;
        }
    } leave{this, destroyed};

    if (output_->Failed()) {
        // The device went away: what it held is lost; go on in silence from here, so the
        // program still sees every block end and the end of playback.
        Played();
        played_ = written_;
        outputBase_ = written_;
        output_ = MakeSilentOutput(format_);
    }
    FeedOutput();
    Played();

    while (!blocks_.empty()) {
        const Block& front = blocks_.front();
        if (front.start + std::int64_t(front.pcm.size()) > played_) break;
        blocks_.pop_front();
        if (!Raise(events_.endArrayPlay)) return;
        FeedOutput();
    }

    if (blocks_.size() == 1 && !loadRequested_ && played_ > blocks_.front().start) {
        loadRequested_ = true;
        if (!Raise(events_.requestLoad)) return;
    }

    std::int64_t sinceStart = NowMs() - startedMs_;
    if (sinceStart - lastTimerEventMs_ >= kTimerEventMs) {
        lastTimerEventMs_ = sinceStart;
        std::int64_t frames = PlayedFrames();
        if (!Raise([&] {
                if (events_.timer) events_.timer(frames);
            }))
            return;
    }

    if (blocks_.empty() && played_ >= queuedEnd_ && !endReported_ &&
        (queuedEnd_ > 0 || sinceStart >= kEmptyStartGraceMs)) {
        endReported_ = true;
        Raise(events_.endPlay);
    }
}

}  // namespace kezplayer
