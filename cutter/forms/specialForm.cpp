#include "specialForm.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>

#include "app/UserInterface.h"
#include "workflow/TimeText.h"

namespace {

constexpr std::int64_t kHourMs = 3600000, kMinuteMs = 60000, kSecondMs = 1000;

QSpinBox* TimeBox(QWidget* parent, const char* name, int maximum, int x, int y, int w) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, maximum);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    box->setGeometry(x, y, w, 24);
    box->setEnabled(false);
    return box;
}

void Separator(QWidget* parent, const char* text, int x, int y) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(x, y, 8, 24);
}

}  // namespace

TfrmSpecial::TfrmSpecial(QWidget* parent, IUserInterface& ui, const TSpecialSource& source)
    : QDialog(parent), ui_(ui), source_(source) {
    setObjectName(QStringLiteral("frmSpecial"));
    setWindowTitle(tr("Split equal parts"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* page = new QFrame(this);
    page->setObjectName(QStringLiteral("pnlSpecial"));
    page->setFrameShape(QFrame::StyledPanel);
    page->setFrameShadow(QFrame::Sunken);
    page->setGeometry(8, 8, 404, 176);

    rdWhole = new QRadioButton(tr("Whole audio file"), page);
    rdWhole->setObjectName(QStringLiteral("rdWhole"));
    rdWhole->setGeometry(12, 10, 180, 22);
    rdSelectTrack = new QRadioButton(tr("Selected part"), page);
    rdSelectTrack->setObjectName(QStringLiteral("rdSelectTrack"));
    rdSelectTrack->setGeometry(12, 36, 120, 22);
    rdSelectTrack->setEnabled(source_.hasSelection);
    lblCaption = new QLabel(page);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    lblCaption->setGeometry(136, 36, 260, 22);
    scope_ = new QButtonGroup(this);
    scope_->addButton(rdWhole);
    scope_->addButton(rdSelectTrack);

    auto* rule = new QFrame(page);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(8, 64, 388, 2);

    rdCount = new QRadioButton(tr("by Segments count:"), page);
    rdCount->setObjectName(QStringLiteral("rdCount"));
    rdCount->setGeometry(12, 74, 148, 22);
    edtCount = new QSpinBox(page);
    edtCount->setObjectName(QStringLiteral("edtCount"));
    edtCount->setRange(1, 20);
    edtCount->setValue(3);
    edtCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edtCount->setGeometry(164, 73, 60, 24);

    rdFixedTime = new QRadioButton(tr("by Time Point:"), page);
    rdFixedTime->setObjectName(QStringLiteral("rdFixedTime"));
    rdFixedTime->setGeometry(12, 106, 148, 22);
    // Hours have no limit of their own: the maximum value below is what bounds them.
    spHour = TimeBox(page, "spHour", 999, 164, 105, 48);
    Separator(page, ":", 212, 105);
    spMinute = TimeBox(page, "spMinute", 59, 220, 105, 48);
    Separator(page, ":", 268, 105);
    spSecond = TimeBox(page, "spSecond", 59, 276, 105, 48);
    Separator(page, ".", 324, 105);
    spMSecond = TimeBox(page, "spMSecond", 999, 332, 105, 56);
    method_ = new QButtonGroup(this);
    method_->addButton(rdCount);
    method_->addButton(rdFixedTime);

    lblMaxvalue = new QLabel(page);
    lblMaxvalue->setObjectName(QStringLiteral("lblMaxvalue"));
    lblMaxvalue->setGeometry(12, 142, 384, 22);

    btnOK = new QPushButton(tr("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(246, 194, 80, 26);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(tr("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(332, 194, 80, 26);
    setFixedSize(420, 230);

    rdWhole->setChecked(true);
    rdCount->setChecked(true);
    ScopeChanged();

    connect(rdWhole, &QRadioButton::toggled, this, [this](bool on) {
        if (on) ScopeChanged();
    });
    connect(rdSelectTrack, &QRadioButton::toggled, this, [this](bool on) {
        if (on) ScopeChanged();
    });
    connect(rdCount, &QRadioButton::toggled, this, [this] { MethodChanged(); });
    const std::pair<QSpinBox*, std::int64_t> boxes[] = {
        {spHour, kHourMs}, {spMinute, kMinuteMs}, {spSecond, kSecondMs}, {spMSecond, 1}};
    for (const auto& [box, unit] : boxes)
        connect(box, &QSpinBox::valueChanged, this,
                [this, box = box, unit = unit] { TimeBoxChanged(box, unit); });
    connect(btnOK, &QPushButton::clicked, this, &TfrmSpecial::OkClicked);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

std::int64_t TfrmSpecial::TimePoint() const {
    return workflow::ComposeTime(spHour->value(), spMinute->value(), spSecond->value(), spMSecond->value());
}

std::int64_t TfrmSpecial::Limit() const {
    return rdSelectTrack->isChecked() ? workflow::ReadTimeText(source_.lengthText) : source_.durationMs;
}

void TfrmSpecial::ScopeChanged() {
    if (rdSelectTrack->isChecked()) {
        lblMaxvalue->setText(tr("Maximum Value: %1").arg(source_.lengthText));
        lblCaption->setText(tr("from %1 to %2").arg(source_.startText, source_.endText));
    } else {
        lblMaxvalue->setText(tr("Maximum Value: %1").arg(source_.durationText));
        lblCaption->clear();
    }
}

void TfrmSpecial::MethodChanged() {
    const bool byTime = rdFixedTime->isChecked();
    edtCount->setEnabled(!byTime);
    // A time text longer than "mm:ss.zzz" carries hours.
    spHour->setEnabled(byTime && source_.durationText.size() > 9);
    spMinute->setEnabled(byTime);
    spSecond->setEnabled(byTime);
    spMSecond->setEnabled(byTime);
}

void TfrmSpecial::TimeBoxChanged(QSpinBox* box, std::int64_t unitMs) {
    const std::int64_t excess = TimePoint() - Limit();
    if (excess <= 0) return;
    // The box just changed gives way, one step at a time, until the point fits or the box
    // is at its minimum; taking all the steps at once ends in the same value. Setting the
    // value runs this handler again, which then finds nothing more to do.
    const std::int64_t steps = (excess + unitMs - 1) / unitMs;
    const std::int64_t lowered = std::max<std::int64_t>(box->minimum(), box->value() - steps);
    box->setValue(static_cast<int>(lowered));
}

void TfrmSpecial::OkClicked() {
    // The boxes can hold a point beyond the limit when the scope changed after they were set.
    // Only a point that is to be used is refused.
    if (rdFixedTime->isChecked() && TimePoint() > Limit()) {
        ui_.ShowMessage(tr("the Time Point out of the Maximum value!"),
                        tr("Split Equal Parts"), TMessageKind::Information);
        return;
    }
    accept();
}

bool ApplyEqualSegments(workflow::SegmentList& list, int selectedRow, const TEqualSegments& choice,
                        std::int64_t durationMs) {
    const bool whole = choice.whole;
    if (!whole && (selectedRow < 0 || selectedRow >= list.rowCount())) return false;
    const std::int64_t start = whole ? 0 : list.ReadTime(workflow::colStart, selectedRow);
    const std::int64_t end = whole ? durationMs : list.ReadTime(workflow::colEnd, selectedRow);
    const std::vector<workflow::Piece> pieces = choice.byCount
                                                    ? workflow::PiecesByCount(start, end, choice.count)
                                                    : workflow::PiecesByLength(start, end, choice.pointMs);
    if (pieces.empty()) return false;
    if (whole)
        list.DeleteAll();
    else
        list.DeleteRow(selectedRow);
    for (const workflow::Piece& p : pieces) list.AppendRow(p.start, p.end);
    return true;
}

bool RunEqualSegments(QWidget* parent, IUserInterface& ui, workflow::SegmentList& list, int selectedRow,
                      const QString& durationText, std::int64_t durationMs) {
    return RunEqualSegments(parent, ui, list, selectedRow, durationText, durationMs, {});
}

bool RunEqualSegments(QWidget* parent, IUserInterface& ui, workflow::SegmentList& list, int selectedRow,
                      const QString& durationText, std::int64_t durationMs,
                      const std::function<void(TfrmSpecial&)>& drive) {
    TSpecialSource source;
    source.durationText = durationText;
    source.durationMs = durationMs;
    source.hasSelection = selectedRow >= 0 && selectedRow < list.rowCount();
    if (source.hasSelection) {
        source.startText = list.Text(selectedRow, workflow::colStart);
        source.endText = list.Text(selectedRow, workflow::colEnd);
        source.lengthText = list.Text(selectedRow, workflow::colLength);
    }
    TfrmSpecial dlg(parent, ui, source);
    if (drive) QTimer::singleShot(0, &dlg, [&dlg, &drive] { drive(dlg); });
    if (dlg.exec() != QDialog::Accepted) return false;
    TEqualSegments choice;
    choice.whole = !dlg.rdSelectTrack->isChecked();
    choice.byCount = dlg.rdCount->isChecked();
    choice.count = dlg.edtCount->value();
    choice.pointMs = dlg.TimePoint();
    return ApplyEqualSegments(list, selectedRow, choice, durationMs);
}
