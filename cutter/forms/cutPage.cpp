#include "cutPage.h"

#include <algorithm>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QUrl>

#include "app/ProductInfo.h"
#include "app/ProgramComponents.h"
#include "app/UserInterface.h"
#include "cutPageBindings.h"
#include "cutPlayback.h"
#include "cutWaveform.h"
#include "pageHost.h"
#include "progressForm.h"
#include "segmentTools.h"
#include "specialForm.h"
#include "waveTrackBar.h"
#include "workflow/CutJob.h"
#include "workflow/Genres.h"
#include "workflow/TimeText.h"

namespace {

const char kSourceFilter[] = QT_TRANSLATE_NOOP(
    "TCutPage",
    "All Supported Files(*.mp3 *.wav *.ogg *.wma);;MP3 (MPEG 1/2 Layer 3) Files(*.mp3);;WAV Files(*.wav);;"
    "Ogg Vorbis Files(*.ogg);;Windows Media Audio files(*.wma)");

// A position box that, like the program's spin edits, takes any number typed and reads as
// its nearest limit: typing 4 into a box that runs to 3 gives 3. It shows its value with
// leading zeros to the width the time text gives that field (074 milliseconds, 05 seconds).
class TSpinEdit : public QSpinBox {
public:
    TSpinEdit(QWidget* parent, int designMax, int digits) : QSpinBox(parent), digits_(digits) {
        setRange(0, designMax);
        setAlignment(Qt::AlignRight);
    }

protected:
    QValidator::State validate(QString& input, int&) const override {
        if (input.isEmpty()) return QValidator::Intermediate;
        for (QChar c : input)
            if (!c.isDigit()) return QValidator::Invalid;
        return input.size() <= 9 ? QValidator::Acceptable : QValidator::Invalid;
    }
    int valueFromText(const QString& text) const override { return std::clamp(text.toInt(), minimum(), maximum()); }
    QString textFromValue(int value) const override { return QStringLiteral("%1").arg(value, digits_, 10, QChar(u'0')); }

private:
    int digits_;
};

// A drop-down over the cells of one grid column that also takes a text of the user's own.
class TComboDelegate : public QStyledItemDelegate {
public:
    TComboDelegate(QStringList items, QObject* parent) : QStyledItemDelegate(parent), items_(std::move(items)) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* box = new QComboBox(parent);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->addItems(items_);
        return box;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* box = static_cast<QComboBox*>(editor);
        const QString text = index.data(Qt::EditRole).toString();
        const int at = box->findText(text, Qt::MatchFixedString);
        box->setCurrentIndex(at);
        box->setEditText(text);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
    }

private:
    QStringList items_;
};

QPushButton* Button(const QString& text, const char* name, QWidget* parent, QRect geometry) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    return b;
}

// A button with its own caption that runs an action and follows its enabling.
void Follow(QPushButton* b, QAction* action) {
    b->setEnabled(action->isEnabled());
    QObject::connect(b, &QPushButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, b, [b, action] { b->setEnabled(action->isEnabled()); });
}

QLabel* InfoRow(QGroupBox* box, const QString& caption, const char* name, int y) {
    auto* l = new QLabel(caption, box);
    l->setGeometry(10, y, 78, 20);
    auto* v = new QLabel(box);
    v->setObjectName(QString::fromLatin1(name));
    v->setGeometry(90, y, 116, 20);
    return v;
}

QFrame* MarkerLine(QWidget* parent, const char* name, const QColor& colour) {
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setAutoFillBackground(true);
    QPalette p = line->palette();
    p.setColor(QPalette::Window, colour);
    line->setPalette(p);
    line->setAttribute(Qt::WA_TransparentForMouseEvents);
    line->hide();
    return line;
}

}  // namespace

QString ChannelName(int channels) {
    switch (channels) {
        case 1: return QCoreApplication::translate("TCutPage", "Mono");
        case 2: return QCoreApplication::translate("TCutPage", "Stereo");
        case 3: return QCoreApplication::translate("TCutPage", "Joint Stereo");
        case 4: return QCoreApplication::translate("TCutPage", "Forced Joint Stereo");
        case 5: return QCoreApplication::translate("TCutPage", "Dual Channels");
        default: return QString();
    }
}

QString SizeMbText(std::int64_t bytes) {
    return QString::number(double(bytes) / 1024.0 / 1024.0, 'f', 2) + QStringLiteral(" MB");
}

TCutPage::TCutPage(QWidget* parent) : TCutPageBase(parent) {
    setObjectName(QStringLiteral("tabSplit"));
    setAcceptDrops(true);

    auto* srcLabel = new QLabel(tr("Source File:"), this);
    srcLabel->setGeometry(8, 10, 78, 22);
    edtSourceFile = new QLineEdit(this);
    edtSourceFile->setObjectName(QStringLiteral("edtSourceFile"));
    edtSourceFile->setReadOnly(true);
    edtSourceFile->setGeometry(88, 8, 600, 24);
    srcLabel->setBuddy(edtSourceFile);
    btnSourceFile = new QToolButton(this);
    btnSourceFile->setObjectName(QStringLiteral("btnSourceFile"));
    btnSourceFile->setText(QStringLiteral("..."));
    btnSourceFile->setToolTip(tr("Select Source File"));
    btnSourceFile->setGeometry(692, 8, 30, 24);

    grpInfo = new QGroupBox(tr("Audio Information"), this);
    grpInfo->setObjectName(QStringLiteral("grpInfo"));
    grpInfo->setGeometry(8, 38, 212, 146);
    lbBitrate = InfoRow(grpInfo, tr("Bitrate:"), "lbBitrate", 22);
    lbChannels = InfoRow(grpInfo, tr("Channels:"), "lbChannels", 46);
    lbDuration = InfoRow(grpInfo, tr("Duration:"), "lbDuration", 70);
    lbSampleRate = InfoRow(grpInfo, tr("SampleRate: "), "lbSampleRate", 94);
    lbSize = InfoRow(grpInfo, tr("Size:"), "lbSize", 118);

    grpSplit = new QGroupBox(tr("Split"), this);
    grpSplit->setObjectName(QStringLiteral("grpSplit"));
    grpSplit->setGeometry(226, 38, 498, 146);
    TrackBar = new TWaveTrackBar(grpSplit);
    TrackBar->setObjectName(QStringLiteral("TrackBar"));
    TrackBar->setRange(0, 100);
    TrackBar->setFocusPolicy(Qt::StrongFocus);
    // Placed so that the marker formula's line lands on the thumb's centre.
    TrackBar->setGeometry(-1, 22, 498, 26);
    TrackBar->setEnabled(false);
    LineStart = MarkerLine(grpSplit, "LineStart", QColor(0, 128, 0));
    LineEnd = MarkerLine(grpSplit, "LineEnd", QColor(0, 0, 128));
    lblPos = new QLabel(tr("Current Position:"), grpSplit);
    lblPos->setObjectName(QStringLiteral("lblPos"));
    lblPos->setGeometry(10, 52, 480, 20);

    const struct {
        QSpinBox** box;
        const char* name;
        int designMax;
        int x, w;
        const char* after;
    } boxes[] = {{&spHour, "spHour", 100, 10, 48, ":"},
                 {&spMinute, "spMinute", 100, 66, 48, ":"},
                 {&spSecond, "spSecond", 100, 122, 48, "."},
                 {&spMSec, "spMSec", 999, 178, 56, nullptr}};
    for (const auto& b : boxes) {
        *b.box = new TSpinEdit(grpSplit, b.designMax, b.box == &spMSec ? 3 : 2);
        (*b.box)->setObjectName(QString::fromLatin1(b.name));
        (*b.box)->setGeometry(b.x, 78, b.w, 24);
        (*b.box)->installEventFilter(this);
        if (b.after) {
            auto* sep = new QLabel(QString::fromLatin1(b.after), grpSplit);
            sep->setAlignment(Qt::AlignCenter);
            sep->setGeometry(b.x + b.w, 78, 8, 24);
        }
    }
    spHour->setToolTip(tr("Hours"));
    spMinute->setToolTip(tr("Minutes"));
    spSecond->setToolTip(tr("Seconds"));
    spMSec->setToolTip(tr("Milliseconds"));
    TrackBar->installEventFilter(this);

    btnSplitPlay = Button(tr("Play"), "btnSplitPlay", grpSplit, QRect(406, 77, 84, 26));
    btnStart = Button(tr("Start"), "btnStart", grpSplit, QRect(10, 110, 84, 26));
    btnEnd = Button(tr("End"), "btnEnd", grpSplit, QRect(98, 110, 84, 26));
    btnAdd = Button(tr("Add"), "btnAdd", grpSplit, QRect(186, 110, 84, 26));
    btnDelete = Button(tr("Delete"), "btnDelete", grpSplit, QRect(274, 110, 100, 26));
    btnSegment = Button(tr("Segment"), "btnSegment", grpSplit, QRect(378, 110, 112, 26));
    popSplitDelete = new QMenu(this);
    popSplitDelete->setObjectName(QStringLiteral("popSplitDelete"));
    btnDelete->setMenu(popSplitDelete);

    gridSplit = new QTableView(this);
    gridSplit->setObjectName(QStringLiteral("gridSplit"));
    gridSplit->setModel(&Segments);
    gridSplit->setSelectionBehavior(QAbstractItemView::SelectRows);
    gridSplit->setSelectionMode(QAbstractItemView::SingleSelection);
    gridSplit->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    gridSplit->verticalHeader()->hide();
    gridSplit->verticalHeader()->setDefaultSectionSize(20);
    gridSplit->horizontalHeader()->setMinimumSectionSize(16);  // the check box column is 20 wide
    gridSplit->setGeometry(8, 190, 716, 232);
    gridSplit->setColumnWidth(workflow::colCheck, 20);
    gridSplit->setColumnWidth(workflow::colStart, 72);
    gridSplit->setColumnWidth(workflow::colEnd, 72);
    gridSplit->setColumnWidth(workflow::colLength, 72);
    gridSplit->setColumnWidth(workflow::colFormat, 120);
    gridSplit->setColumnWidth(workflow::colName, 150);
    gridSplit->setColumnWidth(workflow::colYear, 60);
    gridSplit->setItemDelegateForColumn(workflow::colFormat, new TComboDelegate(workflow::OutputFormatTexts(), this));
    gridSplit->setItemDelegateForColumn(workflow::colGenre, new TComboDelegate(workflow::GenreList(), this));

    auto* label = new QLabel(tr("Target Folder:"), this);
    label->setGeometry(8, 434, 88, 22);
    edtSplitFolder = new QLineEdit(this);
    edtSplitFolder->setObjectName(QStringLiteral("edtSplitFolder"));
    edtSplitFolder->setGeometry(98, 432, 470, 24);
    label->setBuddy(edtSplitFolder);
    btnSplitFolder = new QToolButton(this);
    btnSplitFolder->setObjectName(QStringLiteral("btnSplitFolder"));
    btnSplitFolder->setText(QStringLiteral("..."));
    btnSplitFolder->setToolTip(tr("Select Target Folder"));
    btnSplitFolder->setGeometry(572, 432, 30, 24);
    btnSplit = Button(tr("Cut Now!"), "btnSplit", this, QRect(612, 430, 112, 28));
    btnSplit->setDefault(true);

    connect(TrackBar, &QSlider::valueChanged, this, [this] {
        if (trackLinked_) TrackBarChanged();
    });
    connect(spHour, &QSpinBox::valueChanged, this, [this] {
        if (spinsLinked_) HourChanged();
    });
    connect(spMinute, &QSpinBox::valueChanged, this, [this] {
        if (spinsLinked_) MinuteChanged();
    });
    connect(spSecond, &QSpinBox::valueChanged, this, [this] {
        if (spinsLinked_) SecondChanged();
    });
    connect(spMSec, &QSpinBox::valueChanged, this, [this] {
        if (spinsLinked_) MSecChanged();
    });

    ChooseSource = [this] {
        return QFileDialog::getOpenFileName(window(), QString(), QString(), tr(kSourceFilter));
    };
}

TCutPage::~TCutPage() {
    // Playback reads through this page's readers, so it goes before they do.
    delete Playback;
}

void TCutPage::SetServices(TCutServices services) {
    services_ = std::move(services);
    if (Playback) Playback->SetReaders(services_.job.reader, services_.job.wmaReader);
}

void TCutPage::Bind(TPageHost* main) {
    main_ = main;
    if (auto* program = dynamic_cast<TProgramComponents*>(&main->Components())) {
        bindings_ = MakeCutBindings(*program);
        services_ = ServicesOf(*bindings_);
    }
    Playback = new TCutPlayback(main, this, btnSplitPlay);
    Playback->SetReaders(services_.job.reader, services_.job.wmaReader);

    Follow(btnStart, main->ActSetStart);
    Follow(btnEnd, main->ActSetEnd);
    Follow(btnAdd, main->ActAdd);
    Follow(btnSegment, main->ActEqual);
    Follow(btnSplit, main->ActSplit);
    popSplitDelete->addAction(main->ActDelsplite);
    popSplitDelete->addAction(main->ActDelSpliteall);
    // The button opens its menu; it is live while either of its commands is.
    const auto deleteEnabling = [this, main] {
        btnDelete->setEnabled(main->ActDelsplite->isEnabled() || main->ActDelSpliteall->isEnabled());
    };
    connect(main->ActDelsplite, &QAction::changed, btnDelete, deleteEnabling);
    connect(main->ActDelSpliteall, &QAction::changed, btnDelete, deleteEnabling);
    connect(btnSourceFile, &QToolButton::clicked, main->ActSelectSource, &QAction::trigger);
    // The track bar follows the enabling of Set Start.
    connect(main->ActSetStart, &QAction::changed, TrackBar,
            [this, a = main->ActSetStart] { TrackBar->setEnabled(a->isEnabled()); });

    connect(main->ActSelectSource, &QAction::triggered, this, &TCutPage::SelectSource);
    connect(main->ActSetStart, &QAction::triggered, this, &TCutPage::SetStart);
    connect(main->ActSetEnd, &QAction::triggered, this, &TCutPage::SetEnd);
    connect(main->ActAdd, &QAction::triggered, this, &TCutPage::AddSegment);
    connect(main->ActDelsplite, &QAction::triggered, this, &TCutPage::DeleteSelected);
    connect(main->ActDelSpliteall, &QAction::triggered, this, &TCutPage::DeleteAll);
    connect(main->ActEqual, &QAction::triggered, this, &TCutPage::EqualSegments);
    connect(main->ActSplit, &QAction::triggered, this, &TCutPage::CutNow);

    const auto sourceLoaded = [this] { return TrackBar->maximum() > 100; };
    main->SetActionUpdate(main->ActSelectSource, [] { return true; });
    main->SetActionUpdate(main->ActSetStart, sourceLoaded);
    main->SetActionUpdate(main->ActSetEnd, sourceLoaded);
    main->SetActionUpdate(main->ActAdd, sourceLoaded);
    main->SetActionUpdate(main->ActDelsplite, [this] { return SelectedRow() >= 0; });
    main->SetActionUpdate(main->ActDelSpliteall, [this] { return Segments.rowCount() > 0; });
    main->SetActionUpdate(main->ActEqual,
                          [this] { return !edtSourceFile->text().isEmpty() && !DurationText.isEmpty(); });
    main->SetActionUpdate(main->ActSplit, [this] {
        return QFileInfo(edtSourceFile->text()).isFile() && Segments.rowCount() > 0;
    });
    TrackBar->setEnabled(main->ActSetStart->isEnabled());
    deleteEnabling();
    new TCutWaveform(main, this);
    Tools = new TSegmentTools(main, this);
    AdjustMark = [this](std::int64_t ms) { return Tools->AdjustMark(ms); };
}

int TCutPage::SelectedRow() const {
    const QModelIndexList rows = gridSplit->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

// --- Source ---------------------------------------------------------------------------

void TCutPage::SelectSource() {
    const QString path = ChooseSource ? ChooseSource() : QString();
    if (!path.isEmpty() && (!ConfirmNewSource || ConfirmNewSource())) LoadSource(QDir::toNativeSeparators(path));
}

void TCutPage::ResetSource() {
    DurationText.clear();
    Segments.LoadSource(QString(), 0, {});  // rows, used numbers, marks 0 and 0, tags
    LineStart->hide();
    LineEnd->hide();
    // The previous file's facts do not describe this one: until it is read the page shows
    // no source, so no segment can be marked against the old range.
    for (QLabel* l : {lbBitrate, lbChannels, lbDuration, lbSampleRate, lbSize}) l->clear();
    {
        const QSignalBlocker block(TrackBar);
        TrackBar->setRange(0, 100);
        TrackBar->setValue(0);
    }
    workflow::PositionBoxes design;
    ApplyBoxes(design);
    RefreshPosition();
}

void TCutPage::ShowInfo(const TSourceInfo& s) {
    lbBitrate->setText(QString::number(s.bitrate));
    lbChannels->setText(ChannelName(s.channels));
    lbDuration->setText(DurationText);
    lbSampleRate->setText(QString::number(s.sampleRate) + QStringLiteral(" Hz"));
    lbSize->setText(SizeMbText(s.size));
}

void TCutPage::StopPlaying() {
    if (Playback && Playback->Playing()) Playback->Play();
}

bool TCutPage::LoadSource(const QString& path) {
    const workflow::FormatCode in = workflow::FormatFromFileName(path);
    if (in == workflow::fcUnknown) {
        // Such a file would only give segments without audio; it is refused as it stands.
        if (main_)
            main_->UI().ShowMessage(tr("%1 is not an MP3, Ogg Vorbis, WAV or WMA file.").arg(path),
                                    AppTitle, TMessageKind::Information);
        return false;
    }
    edtSourceFile->setText(path);
    ResetSource();
    // Playback reads through the same reader instances: it stops before the new file is
    // opened in them, not after, so a failed read cannot leave it playing from a reader
    // that now holds another file.
    StopPlaying();
    try {
        if (!services_.readInfo) throw std::runtime_error("The audio file components are not available.");
        const TSourceInfo s = services_.readInfo(path, in);
        DurationText = workflow::TimeText(s.duration);
        ShowInfo(s);
        {
            const QSignalBlocker block(TrackBar);
            TrackBar->setRange(0, static_cast<int>(std::clamp<std::int64_t>(s.duration, 0, INT32_MAX)));
            TrackBar->setValue(0);
        }
        Segments.SetStartMark(0);
        Segments.SetEndMark(s.duration);
        const workflow::SourceTags tags = services_.readTags ? services_.readTags(path, in) : workflow::SourceTags{};
        // The row defaults: the base name of the source and its tags; marks 0 and the duration.
        Segments.LoadSource(path, s.duration, tags);
    } catch (const std::exception& e) {
        if (main_) main_->UI().ShowMessage(QString::fromUtf8(e.what()), AppTitle, TMessageKind::Error);
        RefreshPosition();
        if (main_) main_->UpdateActions();
        emit SourceChanged();
        return false;
    }
    if (!DurationText.isEmpty()) SetLimitsFromDuration();
    RefreshPosition();
    if (main_) main_->UpdateActions();
    emit SourceChanged();
    emit SourceLoaded();
    return true;
}

// --- Position -------------------------------------------------------------------------

void TCutPage::RefreshPosition() {
    using workflow::TimeText;
    lblPos->setText(tr("Current Position: %1 ( Start: %2 - End: %3 ) ")
                        .arg(TimeText(TrackBar->value()), TimeText(Segments.StartMark()), TimeText(Segments.EndMark())));
}

workflow::PositionBoxes TCutPage::Boxes() const {
    workflow::PositionBoxes b;
    b.hour = spHour->value();
    b.minute = spMinute->value();
    b.second = spSecond->value();
    b.msec = spMSec->value();
    b.hourMax = spHour->maximum();
    b.minuteMax = spMinute->maximum();
    b.secondMax = spSecond->maximum();
    b.msecMax = spMSec->maximum();
    b.hourEnabled = spHour->isEnabled();
    b.minuteEnabled = spMinute->isEnabled();
    b.secondEnabled = spSecond->isEnabled();
    return b;
}

void TCutPage::ApplyBoxes(const workflow::PositionBoxes& b) {
    // Writing the boxes back is not a change of the user's: no handler runs for it.
    const QSignalBlocker h(spHour), m(spMinute), s(spSecond), z(spMSec);
    spHour->setMaximum(b.hourMax);
    spMinute->setMaximum(b.minuteMax);
    spSecond->setMaximum(b.secondMax);
    spMSec->setMaximum(b.msecMax);
    spHour->setValue(b.hour);
    spMinute->setValue(b.minute);
    spSecond->setValue(b.second);
    spMSec->setValue(b.msec);
    spHour->setEnabled(b.hourEnabled);
    spMinute->setEnabled(b.minuteEnabled);
    spSecond->setEnabled(b.secondEnabled);
}

void TCutPage::SetLimitsFromDuration() {
    workflow::PositionBoxes b = Boxes();
    workflow::SetLimitsFromDuration(DurationText, b);
    ApplyBoxes(b);
}

void TCutPage::MoveTrackBar(std::int64_t ms) {
    {
        // The spin boxes drive here; the track bar's own handler must not echo back.
        const QSignalBlocker block(TrackBar);
        TrackBar->setValue(static_cast<int>(std::clamp<std::int64_t>(ms, INT32_MIN, INT32_MAX)));
    }
    RefreshPosition();
}

void TCutPage::Apply(const workflow::BoxOutcome& o) {
    if (o.minuteFallback) {
        spMinute->setValue(*o.minuteFallback);  // runs the minute rule again
        return;
    }
    if (o.moveTrackTo) MoveTrackBar(*o.moveTrackTo);
}

void TCutPage::TrackBarChanged() {
    workflow::PositionBoxes b = Boxes();
    RefreshPosition();
    workflow::ShowPosition(TrackBar->value(), DurationText, b);
    ApplyBoxes(b);
}

void TCutPage::HourChanged() {
    workflow::PositionBoxes b = Boxes();
    const workflow::BoxOutcome o = workflow::HourChanged(b, DurationText, TrackBar->maximum());
    ApplyBoxes(b);
    Apply(o);
}

void TCutPage::MinuteChanged() {
    workflow::PositionBoxes b = Boxes();
    const workflow::BoxOutcome o = workflow::MinuteChanged(b, DurationText, TrackBar->maximum());
    if (!o.minuteFallback) ApplyBoxes(b);
    Apply(o);
}

void TCutPage::SecondChanged() {
    workflow::PositionBoxes b = Boxes();
    const workflow::BoxOutcome o = workflow::SecondChanged(b, DurationText, TrackBar->maximum());
    ApplyBoxes(b);
    Apply(o);
}

void TCutPage::MSecChanged() {
    Apply(workflow::MSecChanged(Boxes(), TrackBar->minimum(), TrackBar->maximum()));
}

bool TCutPage::eventFilter(QObject* watched, QEvent* event) {
    const bool in = event->type() == QEvent::FocusIn;
    const bool out = event->type() == QEvent::FocusOut;
    if (in || out) {
        const bool spin = watched == spHour || watched == spMinute || watched == spSecond || watched == spMSec;
        if (spin || watched == TrackBar) {
            // Entering a spin box or leaving the track bar lets the spin boxes drive; the
            // opposite lets the track bar drive.
            const bool spinsDrive = spin ? in : out;
            spinsLinked_ = spinsDrive;
            trackLinked_ = !spinsDrive;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// --- Segments -------------------------------------------------------------------------

void TCutPage::PlaceMarker(QFrame* line, std::int64_t position) {
    const int left = workflow::MarkerLineLeft(position, TrackBar->minimum(), TrackBar->maximum(), TrackBar->width());
    line->setGeometry(left, TrackBar->y() - 2, 2, TrackBar->height() + 4);
    line->show();
    line->raise();
}

void TCutPage::SetStart() {
    const std::int64_t at = AdjustMark ? AdjustMark(TrackBar->value()) : TrackBar->value();
    Segments.SetStartMark(at);
    PlaceMarker(LineStart, at);
    RefreshPosition();
}

void TCutPage::SetEnd() {
    const std::int64_t at = AdjustMark ? AdjustMark(TrackBar->value()) : TrackBar->value();
    Segments.SetEndMark(at);
    PlaceMarker(LineEnd, at);
    RefreshPosition();
}

void TCutPage::AddSegment() {
    if (!Segments.Add()) {
        if (main_) main_->UI().ShowMessage(tr("End position must be larger than start position."), QString());
        return;
    }
    if (main_) main_->UpdateActions();
}

void TCutPage::DeleteSelected() {
    const int row = SelectedRow();
    if (row < 0) return;
    Segments.DeleteRow(row);
    if (main_) main_->UpdateActions();
}

void TCutPage::DeleteAll() {
    Segments.DeleteAll();
    LineStart->hide();
    LineEnd->hide();
    RefreshPosition();
    if (main_) main_->UpdateActions();
}

void TCutPage::EqualSegments() {
    if (!main_ || edtSourceFile->text().isEmpty() || DurationText.isEmpty()) return;
    if (RunEqualSegments(main_->HostWindow(), main_->UI(), Segments, SelectedRow(), DurationText, TrackBar->maximum())) {
        // The whole-file pieces began with Delete All, which also hides the marker lines.
        if (Segments.StartMark() == 0 && Segments.EndMark() == 0) {
            LineStart->hide();
            LineEnd->hide();
        }
        RefreshPosition();
    }
    main_->UpdateActions();
}

void TCutPage::CutNow() {
    if (!main_) return;
    workflow::JobComponents c = services_.job;
    if (!c.reader || !c.writer) {
        main_->UI().ShowMessage(tr("The audio file components are not available."), AppTitle,
                                TMessageKind::Error);
        return;
    }
    c.configureWriter = [this](workflow::FormatCode code) { return main_->ConfigureWriter(code); };
    c.stopPlayback = [this] { StopPlaying(); };
    const TSettingsValues v = main_->CollectSettings();
    workflow::JobOptions o;
    o.promptOverwrite = v.promptExist;
    o.showSuccess = v.showSucc;
    o.openDestination = v.openFolder;
    o.copyAudio = v.copyAudio;
    o.wavOutput = {v.params.pcmSamplerate, v.params.pcmChannel, v.params.pcmSamplesize};
    std::unique_ptr<Tfrmprogress> own;
    workflow::JobHost* host = MakeHost ? MakeHost() : nullptr;
    if (!host) {
        own = std::make_unique<Tfrmprogress>(main_);
        host = own.get();
    }
    try {
        workflow::RunCutJob(edtSourceFile->text(), Segments, edtSplitFolder->text(), o, c, *host);
    } catch (const std::exception& e) {
        main_->UI().ShowMessage(QString::fromUtf8(e.what()), AppTitle, TMessageKind::Error);
    }
    main_->UpdateActions();
}

// --- Dropping a file from the file manager --------------------------------------------

QString TCutPage::LocalFileOf(const QMimeData* data) const {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) return QDir::toNativeSeparators(url.toLocalFile());
    return {};
}

void TCutPage::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFileOf(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TCutPage::dragMoveEvent(QDragMoveEvent* event) {
    if (!LocalFileOf(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TCutPage::dropEvent(QDropEvent* event) {
    const QString path = LocalFileOf(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    LoadSource(path);
}
