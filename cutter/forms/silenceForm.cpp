#include "silenceForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include "workflow/TimeText.h"

namespace {

// Audio read per idle slice: a fraction of a second of work at the reading speed.
constexpr std::int64_t kSliceMs = 20000;

template <class W>
W* Named(W* w, const char* name, QRect geometry) {
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(geometry);
    return w;
}

}  // namespace

TfrmSilence::TfrmSilence(QWidget* parent, workflow::AudioReader* reader, const QString& source,
                         std::int64_t durationMs, std::optional<workflow::TimeSpan> selected,
                         const TSegmentOptions& options)
    : QDialog(parent), reader_(reader), source_(source), duration_(durationMs), selected_(selected) {
    setObjectName(QStringLiteral("frmSilence"));
    setWindowTitle(QStringLiteral("Split at Silence"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* scope = new QGroupBox(QStringLiteral("Look in"), this);
    scope->setGeometry(8, 8, 404, 72);
    rdWhole = Named(new QRadioButton(QStringLiteral("Whole audio file"), scope), "rdWhole", QRect(12, 20, 180, 22));
    rdSelected = Named(new QRadioButton(QStringLiteral("Selected part"), scope), "rdSelected", QRect(12, 44, 130, 22));
    lblScope = Named(new QLabel(scope), "lblScope", QRect(146, 44, 250, 22));
    rdWhole->setChecked(true);
    rdSelected->setEnabled(selected_.has_value());
    if (selected_)
        lblScope->setText(QStringLiteral("from ") + workflow::TimeText(selected_->start) + QStringLiteral(" to ") +
                          workflow::TimeText(selected_->end));

    auto* find = new QGroupBox(QStringLiteral("Silence"), this);
    find->setGeometry(8, 86, 404, 150);
    auto* l1 = new QLabel(QStringLiteral("Quieter than:"), find);
    l1->setGeometry(12, 22, 110, 24);
    spThreshold = Named(new QSpinBox(find), "spThreshold", QRect(126, 22, 90, 24));
    spThreshold->setRange(-90, -10);
    spThreshold->setSuffix(QStringLiteral(" dB"));
    spThreshold->setValue(static_cast<int>(options.silence.thresholdDb));
    auto* l2 = new QLabel(QStringLiteral("For at least:"), find);
    l2->setGeometry(226, 22, 84, 24);
    spMinLength = Named(new QSpinBox(find), "spMinLength", QRect(306, 22, 90, 24));
    spMinLength->setRange(50, 10000);
    spMinLength->setSingleStep(50);
    spMinLength->setSuffix(QStringLiteral(" ms"));
    spMinLength->setValue(static_cast<int>(options.silence.minLengthMs));
    rdParts = Named(new QRadioButton(QStringLiteral("Add the parts with sound as segments"), find), "rdParts",
                    QRect(12, 52, 380, 22));
    rdMiddles = Named(new QRadioButton(QStringLiteral("Cut in the middle of each silence"), find), "rdMiddles",
                      QRect(12, 74, 380, 22));
    rdParts->setChecked(true);
    btnFind = Named(new QPushButton(QStringLiteral("Find"), find), "btnFind", QRect(12, 104, 84, 26));
    pbScan = Named(new QProgressBar(find), "pbScan", QRect(104, 106, 292, 22));
    pbScan->setRange(0, 100);
    pbScan->setValue(0);
    lblResult = Named(new QLabel(QStringLiteral("Press Find to look for silence."), this), "lblResult",
                      QRect(16, 240, 396, 22));

    auto* adjust = new QGroupBox(QStringLiteral("Marks set by hand"), this);
    adjust->setGeometry(8, 268, 404, 56);
    chkAdjust = Named(new QCheckBox(QStringLiteral("Move to the quietest point within"), adjust), "chkAdjust",
                      QRect(12, 22, 240, 24));
    chkAdjust->setChecked(options.adjustToSilence);
    spAdjustWindow = Named(new QSpinBox(adjust), "spAdjustWindow", QRect(256, 22, 100, 24));
    spAdjustWindow->setRange(10, 5000);
    spAdjustWindow->setSingleStep(50);
    spAdjustWindow->setPrefix(QStringLiteral("± "));
    spAdjustWindow->setSuffix(QStringLiteral(" ms"));
    spAdjustWindow->setValue(options.adjustWindowMs);

    btnOK = Named(new QPushButton(QStringLiteral("OK"), this), "btnOK", QRect(240, 334, 84, 26));
    btnCancel = Named(new QPushButton(QStringLiteral("Cancel"), this), "btnCancel", QRect(328, 334, 84, 26));
    btnOK->setDefault(true);
    setFixedSize(420, 370);

    slices_ = new QTimer(this);
    slices_->setInterval(0);  // runs whenever the event queue is empty
    connect(slices_, &QTimer::timeout, this, &TfrmSilence::Slice);
    connect(btnFind, &QPushButton::clicked, this, &TfrmSilence::StartScan);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmSilence::reject);
    for (QSpinBox* box : {spThreshold, spMinLength}) connect(box, &QSpinBox::valueChanged, this, &TfrmSilence::Invalidate);
    connect(rdWhole, &QRadioButton::toggled, this, &TfrmSilence::Invalidate);
    connect(rdParts, &QRadioButton::toggled, this, &TfrmSilence::ShowResult);
}

TfrmSilence::~TfrmSilence() = default;

workflow::TimeSpan TfrmSilence::Scope() const {
    return SelectedScope() ? *selected_ : workflow::TimeSpan{0, duration_};
}

bool TfrmSilence::SelectedScope() const { return selected_ && rdSelected->isChecked(); }

TSegmentOptions TfrmSilence::Options() const {
    TSegmentOptions o;
    o.adjustToSilence = chkAdjust->isChecked();
    o.adjustWindowMs = spAdjustWindow->value();
    o.silence.thresholdDb = spThreshold->value();
    o.silence.minLengthMs = spMinLength->value();
    return o;
}

void TfrmSilence::StartScan() {
    CancelScan();
    silences_.reset();
    error_.clear();
    if (!reader_) {
        error_ = QStringLiteral("The audio file components are not available.");
        ShowResult();
        return;
    }
    const workflow::TimeSpan span = Scope();
    try {
        scan_ = std::make_unique<workflow::SilenceScan>(*reader_, source_, span.start, span.end, Options().silence);
    } catch (const std::exception& e) {
        error_ = QString::fromUtf8(e.what());
        ShowResult();
        return;
    }
    pbScan->setValue(0);
    btnFind->setEnabled(false);
    btnOK->setEnabled(false);
    lblResult->setText(QStringLiteral("Looking for silence..."));
    slices_->start();
}

void TfrmSilence::Slice() {
    if (!scan_) return slices_->stop();
    try {
        const bool more = scan_->Step(kSliceMs);
        pbScan->setValue(scan_->Percent());
        if (more) return;
        silences_ = scan_->Finish();
    } catch (const std::exception& e) {
        error_ = QString::fromUtf8(e.what());
    }
    slices_->stop();
    scan_.reset();
    btnFind->setEnabled(true);
    ShowResult();
}

void TfrmSilence::CancelScan() {
    slices_->stop();
    if (!scan_) return;
    scan_.reset();  // closes the reader
    btnFind->setEnabled(true);
    btnOK->setEnabled(true);
    pbScan->setValue(0);
    lblResult->setText(QStringLiteral("Cancelled."));
}

void TfrmSilence::Invalidate() {
    CancelScan();
    silences_.reset();
    pbScan->setValue(0);
    ShowResult();
}

std::vector<workflow::TimeSpan> TfrmSilence::Pieces() const {
    if (!silences_) return {};
    const workflow::TimeSpan span = Scope();
    return rdParts->isChecked() ? workflow::SoundParts(*silences_, span.start, span.end)
                                : workflow::PiecesAtSilenceMiddles(*silences_, span.start, span.end);
}

void TfrmSilence::ShowResult() {
    if (!error_.isEmpty()) {
        lblResult->setText(error_);
    } else if (!silences_) {
        if (!scan_) lblResult->setText(QStringLiteral("Press Find to look for silence."));
    } else {
        lblResult->setText(QStringLiteral("%1 silences found: %2 segments will be added.")
                               .arg(silences_->size())
                               .arg(Pieces().size()));
    }
    btnOK->setEnabled(!scan_);
}

void TfrmSilence::reject() {
    // Cancel stops a scan under way first; a second press closes the dialog.
    if (scan_) return CancelScan();
    QDialog::reject();
}
