// The cut page ("Audio Splitter"): the source file and its audio information, the "Split"
// group (track bar with the two marker lines, the four position boxes, the position label
// and the segment buttons), the segment grid and the target folder. Bind() connects the
// page to the main window's actions and components; the cut job itself is
// workflow::RunCutJob, the position rules are workflow/PositionRules.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "workflow/AudioIo.h"
#include "workflow/PositionRules.h"
#include "workflow/SegmentList.h"

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QSpinBox;
class QTableView;
class QToolButton;
class TCutBindings;
class TCutPlayback;
class TSegmentTools;
class TPageHost;
struct TCutBindingsDeleter {
    void operator()(TCutBindings* b) const;
};

namespace workflow {
class JobHost;
}

// The stream facts of a source as its reader's AudioInfo gives them.
struct TSourceInfo {
    std::int64_t duration = 0;  // ms
    int bitrate = 0;
    int channels = 0;
    int sampleRate = 0;
    std::int64_t size = 0;  // bytes
};

// What the page reads sources and cuts with. readInfo opens the source in the reader of
// its format, takes the facts and closes it; readTags reads the row defaults. Errors are
// raised with the component's text. Missing functions or components: nothing is read.
struct TCutServices {
    std::function<TSourceInfo(const QString& path, workflow::FormatCode code)> readInfo;
    std::function<workflow::SourceTags(const QString& path, workflow::FormatCode code)> readTags;
    workflow::JobComponents job;
};

// The "Channels:" text of a channel number: 1 "Mono" .. 5 "Dual Channels", else empty.
QString ChannelName(int channels);
// Size / 1024 / 1024 with two decimals and " MB".
QString SizeMbText(std::int64_t bytes);

class TCutPage : public QWidget {
    Q_OBJECT
public:
    explicit TCutPage(QWidget* parent = nullptr);
    ~TCutPage() override;

    // Wires the page to the window's Cut actions, their enabling and shared components.
    void Bind(TPageHost* main);
    // Replaces the readers and job components (tests bind fakes here).
    void SetServices(TCutServices services);

    const TCutServices& Services() const { return services_; }
    // Where a mark set by hand goes (the segment tools may move it to silence).
    std::function<std::int64_t(std::int64_t)> AdjustMark;

    // The file dialog of "Select Source File"; tests replace it. Empty: cancelled.
    std::function<QString()> ChooseSource;
    // Asked before a chosen source replaces the current one; false keeps the page as it is.
    std::function<bool()> ConfirmNewSource;
    // The job's progress host; null: the shared progress window.
    std::function<workflow::JobHost*()> MakeHost;

    // Chooses a source: resets the page, reads the file's information, duration and tags,
    // stops a playing source and sets the position limits. False when it was not loaded.
    bool LoadSource(const QString& path);
    void SelectSource();

    void SetStart();
    void SetEnd();
    void AddSegment();
    void DeleteSelected();
    void DeleteAll();
    void EqualSegments();
    void CutNow();

    int SelectedRow() const;
    // Which side's change handling is attached (switched by focus).
    bool TrackLinked() const { return trackLinked_; }
    bool SpinsLinked() const { return spinsLinked_; }

    // Source.
    QLineEdit* edtSourceFile = nullptr;
    QToolButton* btnSourceFile = nullptr;
    // "Audio Information".
    QGroupBox* grpInfo = nullptr;
    QLabel* lbBitrate = nullptr;
    QLabel* lbChannels = nullptr;
    QLabel* lbDuration = nullptr;
    QLabel* lbSampleRate = nullptr;
    QLabel* lbSize = nullptr;
    // "Split".
    QGroupBox* grpSplit = nullptr;
    QSlider* TrackBar = nullptr;
    QFrame* LineStart = nullptr;
    QFrame* LineEnd = nullptr;
    QLabel* lblPos = nullptr;
    QSpinBox* spHour = nullptr;
    QSpinBox* spMinute = nullptr;
    QSpinBox* spSecond = nullptr;
    QSpinBox* spMSec = nullptr;
    QPushButton* btnStart = nullptr;
    QPushButton* btnEnd = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnDelete = nullptr;
    QMenu* popSplitDelete = nullptr;
    QPushButton* btnSegment = nullptr;
    QPushButton* btnSplitPlay = nullptr;
    // Segments and output.
    QTableView* gridSplit = nullptr;
    QLineEdit* edtSplitFolder = nullptr;
    QToolButton* btnSplitFolder = nullptr;
    QPushButton* btnSplit = nullptr;

    TCutPlayback* Playback = nullptr;
    TSegmentTools* Tools = nullptr;  // after Bind
    workflow::SegmentList Segments;
    QString DurationText;  // empty while no source is loaded

signals:
    // A source was chosen (loaded or not): the page has been reset for it.
    void SourceChanged();
    // A source was read and its list starts empty.
    void SourceLoaded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void RefreshPosition();
    void ResetSource();
    void SetLimitsFromDuration();
    void TrackBarChanged();
    void HourChanged();
    void MinuteChanged();
    void SecondChanged();
    void MSecChanged();
    workflow::PositionBoxes Boxes() const;
    void ApplyBoxes(const workflow::PositionBoxes& boxes);
    void Apply(const workflow::BoxOutcome& outcome);
    void MoveTrackBar(std::int64_t ms);
    void PlaceMarker(QFrame* line, std::int64_t position);
    void ShowInfo(const TSourceInfo& info);
    void StopPlaying();
    QString LocalFileOf(const QMimeData* data) const;

    TPageHost* main_ = nullptr;
    TCutServices services_;
    std::unique_ptr<TCutBindings, TCutBindingsDeleter> bindings_;  // on the program's components
    bool trackLinked_ = true;
    bool spinsLinked_ = true;
};
