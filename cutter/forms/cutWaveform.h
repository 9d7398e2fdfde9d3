// The cut page's waveform: peaks of the source built in short slices from the idle loop
// (and kept in the peak cache), drawn in the track bar and in the waveform window; the
// play cursor; "Play Segment"; the keyboard shortcuts; and the question before a new
// source discards the rows. Created by the page's Bind; adds its items at the end of the
// Cut menu.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <memory>

#include "workflow/PeakCache.h"
#include "workflow/Peaks.h"

class QAction;
class QTimer;
class TCutPageBase;
class TWaveTrackBar;
class TPageHost;
class TfrmWaveform;

namespace workflow {
class AudioReader;
}

class TCutWaveform : public QObject {
    Q_OBJECT
public:
    TCutWaveform(TPageHost* main, TCutPageBase* page);
    ~TCutWaveform() override;

    QAction* ActPlaySegment = nullptr;  // "Play Segment": the selected row, start to end
    QAction* ActWaveform = nullptr;     // "Waveform": shows the waveform window

    // The readers the peaks are built with (the caller's; they must outlive this object).
    // By default this object makes its own instances of the file components.
    void SetPeakReaders(workflow::AudioReader* reader, workflow::AudioReader* wmaReader);
    void SetCacheDir(const QString& dir);

    // The peaks so far: the builder's while it runs, then the finished ones.
    const workflow::PeakData& Peaks() const { return builder_ ? builder_->Data() : peaks_; }
    bool Building() const;
    std::int64_t Cursor() const { return cursorMs_; }
    // The longest a single slice held the event loop, in ms, since the source was chosen.
    qint64 LongestSliceMs() const { return longestSlice_; }

    TfrmWaveform* Window() const;
    void ShowWindow();
    void PlaySegment();

signals:
    void PeaksComplete();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetShortcuts();
    void SourceChanged();
    void Slice();
    void Redraw();
    void PlayStarted(qint64 fromMs);
    void PlayStopped();
    void TickCursor();
    bool ConfirmDiscard();
    void SaveGeometry();
    void UpdateWindowScene();
    const workflow::PeakData* Detail(std::int64_t fromMs, std::int64_t toMs);
    workflow::AudioReader* ReaderFor(const QString& path) const;

    TPageHost* main_;
    TCutPageBase* page_;
    TWaveTrackBar* bar_;
    struct TOwnReaders;
    std::unique_ptr<TOwnReaders> own_;
    workflow::AudioReader* reader_ = nullptr;
    workflow::AudioReader* wmaReader_ = nullptr;
    workflow::PeakCache cache_;
    std::unique_ptr<workflow::PeakBuilder> builder_;
    workflow::PeakData peaks_;
    workflow::PeakData detail_;
    QString source_;
    QTimer* slice_ = nullptr;
    QElapsedTimer sinceRedraw_;
    qint64 longestSlice_ = 0;
    QTimer* cursorTimer_ = nullptr;
    QElapsedTimer playClock_;
    std::int64_t playFrom_ = 0;
    std::int64_t cursorMs_ = -1;
    QPointer<TfrmWaveform> window_;
};
