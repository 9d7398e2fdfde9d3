// The segmentation dialog: fills the segment list with equal pieces of the whole source or
// of one selected segment, by number of pieces or by piece length.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>

#include "workflow/SegmentList.h"

class IUserInterface;
class QButtonGroup;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

// What the dialog is opened on: the source's duration, and the selected row's texts.
struct TSpecialSource {
    QString durationText;  // time text of the source's duration
    std::int64_t durationMs = 0;
    bool hasSelection = false;
    QString startText, endText, lengthText;  // of the selected row
};

class TfrmSpecial : public QDialog {
    Q_OBJECT
public:
    TfrmSpecial(QWidget* parent, IUserInterface& ui, const TSpecialSource& source);

    // The piece length the four time boxes give, in ms.
    std::int64_t TimePoint() const;
    // The longest span the pieces may cover: the duration, or the selected row's length.
    std::int64_t Limit() const;

    QRadioButton* rdWhole = nullptr;
    QRadioButton* rdSelectTrack = nullptr;
    QLabel* lblCaption = nullptr;
    QRadioButton* rdCount = nullptr;
    QSpinBox* edtCount = nullptr;
    QRadioButton* rdFixedTime = nullptr;
    QSpinBox* spHour = nullptr;
    QSpinBox* spMinute = nullptr;
    QSpinBox* spSecond = nullptr;
    QSpinBox* spMSecond = nullptr;
    QLabel* lblMaxvalue = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    void ScopeChanged();
    void MethodChanged();
    void TimeBoxChanged(QSpinBox* box, std::int64_t unitMs);
    void OkClicked();

    IUserInterface& ui_;
    TSpecialSource source_;
    QButtonGroup* scope_ = nullptr;
    QButtonGroup* method_ = nullptr;
};

// What the user chose in the dialog.
struct TEqualSegments {
    bool whole = true;    // whole source, or the selected row
    bool byCount = true;  // `count` pieces, or pieces of `pointMs`
    int count = 3;
    std::int64_t pointMs = 0;
};

// Replaces the affected rows of `list` by the pieces: for the whole source the list is
// emptied first (rows, used numbers, marks); for a selected row that row is deleted. The
// pieces are appended at the end as new rows. Nothing changes when there are no pieces (a
// piece length of 0, an empty span, or no selected row). Answers true when rows changed.
bool ApplyEqualSegments(workflow::SegmentList& list, int selectedRow, const TEqualSegments& choice,
                        std::int64_t durationMs);

// Opens the dialog modally over `parent`; on OK replaces the affected rows of `list` by
// the pieces; answers true when rows changed. `selectedRow` is -1 when no row is selected.
bool RunEqualSegments(QWidget* parent, IUserInterface& ui, workflow::SegmentList& list, int selectedRow,
                      const QString& durationText, std::int64_t durationMs);

// The same, with `drive` run once the dialog is shown and its loop is running: it may set
// controls and press the buttons (tests drive the dialog this way).
bool RunEqualSegments(QWidget* parent, IUserInterface& ui, workflow::SegmentList& list, int selectedRow,
                      const QString& durationText, std::int64_t durationMs,
                      const std::function<void(TfrmSpecial&)>& drive);
