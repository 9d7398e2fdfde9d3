// The cut page's playback: the Play/Stop toggle of ActSplay on the source from the track
// bar position, the feed of the cut player, and the stop when the page changes.
#pragma once

#include <QIcon>
#include <QObject>
#include <cstdint>

#include "workflow/FormatCode.h"

class QAbstractButton;
class TCutPageBase;
class TPageHost;

namespace workflow {
class AudioReader;
}

class TCutPlayback : public QObject {
    Q_OBJECT
public:
    // Wires ActSplay (trigger, enabling), the window's CutPlayAction and its shared feed.
    // `btnSplitPlay` is a plain button: a click triggers ActSplay, the button follows the
    // action's enabling and shows "Play"/"Stop" with its glyph. No reader until
    // SetReaders: the page hands over the ones its cut job uses. Parented to `page`.
    TCutPlayback(TPageHost* main, TCutPageBase* page, QAbstractButton* btnSplitPlay);
    ~TCutPlayback() override;

    void Play();           // the ActSplay toggle (also main->CutPlayAction)
    // Plays from..to ms of the source and stops there: the player is given no frame past
    // `to`. Stops first when the source is playing.
    void PlaySpan(std::int64_t from, std::int64_t to);
    bool Playing() const;  // CutPlayer is playing (false when it is missing or fails)
    void FeedBlock();      // one block of the source to the shown page's player

    // The readers for MP3, Ogg Vorbis and WAV sources and for WMA sources; they stay the
    // caller's and must outlive this object.
    void SetReaders(workflow::AudioReader* reader, workflow::AudioReader* wmaReader);

    // The button's glyphs: play while idle, stop while playing.
    static QIcon PlayGlyph();
    static QIcon StopGlyph();

signals:
    void Started(qint64 fromMs);  // the source began to play from this position
    void Stopped();

private:
    void Begin(std::int64_t from, std::int64_t to);
    void ShowIdle();
    void ShowPlaying();
    workflow::AudioReader* ReaderFor(FormatCode code) const;

    TPageHost* main_;
    TCutPageBase* page_;
    QAbstractButton* button_;
    workflow::AudioReader* reader_ = nullptr;
    workflow::AudioReader* wmaReader_ = nullptr;
    FormatCode playFormat_ = fcUnknown;
    workflow::AudioReader* open_ = nullptr;  // the reader opened for the source playing
    bool playing_ = false;                   // this page started the cut player
    std::int64_t spanEnd_ = -1;              // ms the feed stops at; -1 the source's end
    std::int64_t framesLeft_ = -1;           // frames the feed may still hand over; -1 unknown
    std::int64_t spanStart_ = 0;
};
