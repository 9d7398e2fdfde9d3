// The player's core: a queue of converted blocks fed to an output, and the events that say
// how far playback has come. It lives on the thread that created it and raises every event
// there, from a timer of that thread's Qt event loop. Handlers may call back into the
// engine (hand over the next block, stop, start again) from inside an event.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AudioBlock.h"
#include "AudioOutput.h"

class QTimer;

namespace kezplayer {

enum class OutputChoice {
    Silent,         // always the clocked silent output
    DeviceOrSilent  // the default device when there is one, else the silent output
};

struct EngineEvents {
    std::function<void()> endArrayPlay;               // one block has been played
    std::function<void(std::int64_t)> timer;          // frames played since Start, now and then
    std::function<void()> requestLoad;                // the last queued block has begun
    std::function<void()> endPlay;                    // everything handed over has been played
};

class PlaybackEngine {
public:
    explicit PlaybackEngine(EngineEvents events);
    ~PlaybackEngine();
    PlaybackEngine(const PlaybackEngine&) = delete;
    PlaybackEngine& operator=(const PlaybackEngine&) = delete;

    // Starts (or restarts) playback in format; the queue begins empty. Returns an error text.
    std::string Start(const BlockFormat& format, OutputChoice choice);
    // Queues one block behind those handed over before. Returns an error text.
    std::string Enqueue(const std::uint8_t* bytes, std::size_t size);
    // Stops at once; queued blocks are dropped and raise no event.
    void Stop();

    bool Playing() const { return playing_; }
    bool UsingDevice() const { return output_ && output_->IsDevice(); }
    std::size_t QueuedBlocks() const { return blocks_.size(); }
    std::int64_t PlayedFrames() const;

    // How often the engine looks at the output, and how often OnTimer comes.
    static constexpr int kPumpMs = 10;
    static constexpr int kTimerEventMs = 250;

private:
    struct Block {
        std::vector<std::uint8_t> pcm;
        std::int64_t start = 0;  // offset of its first byte in the stream since Start
    };

    void Pump();
    void FeedOutput();
    std::int64_t Played();
    // Runs an event handler; false when the handler stopped or restarted playback.
    bool Raise(const std::function<void()>& handler);

    EngineEvents events_;
    std::unique_ptr<QTimer> timer_;
    std::unique_ptr<AudioOutput> output_;
    std::unique_ptr<BlockConverter> converter_;
    BlockFormat format_;
    std::deque<Block> blocks_;
    std::int64_t queuedEnd_ = 0;   // stream offset after the last queued byte
    std::int64_t written_ = 0;     // stream offset handed to the output so far
    std::int64_t outputBase_ = 0;  // stream offset at which the current output began
    std::int64_t played_ = 0;
    std::int64_t lastTimerEventMs_ = 0;
    std::int64_t startedMs_ = 0;
    bool playing_ = false;
    bool endReported_ = false;
    bool loadRequested_ = false;
    bool inPump_ = false;
    bool* destroyed_ = nullptr;  // set while a pump runs; tells it the engine is gone
    std::uint64_t generation_ = 0;
};

}  // namespace kezplayer
