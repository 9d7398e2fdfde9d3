// "Split at Silence": finds the silences of the whole source or of the selected row (the
// reading runs in slices from the idle loop, with progress and cancel), shows how many
// rows it would add, and on OK hands back the pieces: the parts with sound, or pieces cut
// in the middle of each silence. It also holds the option that moves marks set by hand
// to the quietest point near them.
#pragma once

#include <QDialog>
#include <memory>
#include <optional>
#include <vector>

#include "settings/SegmentMemory.h"
#include "workflow/AudioIo.h"
#include "workflow/SilenceDetector.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;

class TfrmSilence : public QDialog {
    Q_OBJECT
public:
    // selected: the selected row's span, when a row is selected.
    TfrmSilence(QWidget* parent, workflow::AudioReader* reader, const QString& source, std::int64_t durationMs,
                std::optional<workflow::TimeSpan> selected, const TSegmentOptions& options);
    ~TfrmSilence() override;

    void StartScan();
    void CancelScan();
    bool Scanning() const { return scan_ != nullptr; }

    // What OK adds, and where.
    std::vector<workflow::TimeSpan> Pieces() const;
    bool SelectedScope() const;
    TSegmentOptions Options() const;
    QString ScanError() const { return error_; }

    QRadioButton* rdWhole = nullptr;
    QRadioButton* rdSelected = nullptr;
    QLabel* lblScope = nullptr;
    QSpinBox* spThreshold = nullptr;
    QSpinBox* spMinLength = nullptr;
    QRadioButton* rdParts = nullptr;
    QRadioButton* rdMiddles = nullptr;
    QPushButton* btnFind = nullptr;
    QProgressBar* pbScan = nullptr;
    QLabel* lblResult = nullptr;
    QCheckBox* chkAdjust = nullptr;
    QSpinBox* spAdjustWindow = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void reject() override;

private:
    void Slice();
    void Invalidate();
    void ShowResult();
    workflow::TimeSpan Scope() const;

    workflow::AudioReader* reader_;
    QString source_;
    std::int64_t duration_;
    std::optional<workflow::TimeSpan> selected_;
    std::unique_ptr<workflow::SilenceScan> scan_;
    std::optional<std::vector<workflow::TimeSpan>> silences_;  // of the last finished scan
    QTimer* slices_ = nullptr;
    QString error_;
};
