// The cut page ("Audio Splitter"): the source file and its audio information, the
// position track bar, the segment grid and the target folder. Bind() connects the page to
// the main window's actions and components; the cut job itself is workflow::RunCutJob.
#pragma once

#include <QWidget>
#include <cstdint>

#include "workflow/SegmentList.h"

class QLabel;
class QLineEdit;
class QSlider;
class QTableView;
class QToolButton;
class QGroupBox;
class TfrmMain;

class TCutPage : public QWidget {
    Q_OBJECT
public:
    explicit TCutPage(QWidget* parent = nullptr);

    // Wires the page to the window's Cut actions and shared components.
    void Bind(TfrmMain* main);

    // Chooses a source: its duration, audio information and tags; empties the grid.
    bool LoadSource(const QString& path);

    QGroupBox* grpWork = nullptr;  // the area of the source and segment controls
    QLineEdit* edtSplitFolder = nullptr;
    QToolButton* btnSplitFolder = nullptr;
    QLineEdit* edtSourceFile = nullptr;
    QToolButton* btnSourceFile = nullptr;
    QLabel* lblInfo = nullptr;
    QSlider* TrackBar = nullptr;
    QLabel* lblPos = nullptr;
    QTableView* gridSplit = nullptr;
    workflow::SegmentList Segments;
    QString DurationText;

private:
    void RefreshPosition();
    void CutNow();
    int SelectedRow() const;

    TfrmMain* main_ = nullptr;
};
