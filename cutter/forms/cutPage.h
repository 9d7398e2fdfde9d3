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

#include "cutPageBase.h"
#include "workflow/PositionRules.h"

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
class TSegmentTools;
class TPageHost;

namespace workflow {
class JobHost;
}

// The "Channels:" text of a channel number: 1 "Mono" .. 5 "Dual Channels", else empty.
QString ChannelName(int channels);
// Size / 1024 / 1024 with two decimals and " MB".
QString SizeMbText(std::int64_t bytes);

class TCutPage : public TCutPageBase {
    Q_OBJECT
public:
    explicit TCutPage(QWidget* parent = nullptr);
    ~TCutPage() override;

    // Wires the page to the window's Cut actions, their enabling and shared components.
    void Bind(TPageHost* main);
    // Replaces the readers and job components (tests bind fakes here).
    void SetServices(TCutServices services);

    // Where a mark set by hand goes (the segment tools may move it to silence).
    std::function<std::int64_t(std::int64_t)> AdjustMark;

    // The file dialog of "Select Source File"; tests replace it. Empty: cancelled.
    std::function<QString()> ChooseSource;
    // The job's progress host; null: the shared progress window.
    std::function<workflow::JobHost*()> MakeHost;

    bool LoadSource(const QString& path) override;
    void SelectSource();

    void SetStart();
    void SetEnd();
    void AddSegment();
    void DeleteSelected();
    void DeleteAll() override;
    void EqualSegments();
    void CutNow();

    int SelectedRow() const override;
    // Which side's change handling is attached (switched by focus).
    bool TrackLinked() const { return trackLinked_; }
    bool SpinsLinked() const { return spinsLinked_; }

    // Source.
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
    QLineEdit* edtSplitFolder = nullptr;
    QToolButton* btnSplitFolder = nullptr;
    QPushButton* btnSplit = nullptr;

    TSegmentTools* Tools = nullptr;  // after Bind

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
    std::unique_ptr<TCutBindings, TCutBindingsDeleter> bindings_;  // on the program's components
    bool trackLinked_ = true;
    bool spinsLinked_ = true;
};
