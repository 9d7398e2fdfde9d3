#include "cutWaveform.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>

#include "app/JobAdapters.h"
#include "app/ProgramComponents.h"
#include "app/UserInterface.h"
#include "cutPageBase.h"
#include "cutPlayback.h"
#include "pageHost.h"
#include "registry/registry.h"
#include "settings/settings.h"
#include "waveTrackBar.h"
#include "waveView.h"
#include "waveformForm.h"
#include "workflow/TimeText.h"

namespace {

// A slice stays well under the 30 ms the event loop may be held, with room for one read.
constexpr int kSliceBudgetMs = 6;
constexpr int kRedrawMs = 100;
constexpr int kCursorMs = 40;
constexpr char16_t kGeometryValue[] = u"WaveformWindow";

bool UnmodifiedKey(const QKeyEvent* k) {
    const Qt::KeyboardModifiers m = k->modifiers() & ~Qt::KeypadModifier;
    return m == Qt::NoModifier || m == Qt::ShiftModifier;
}

QString ReadGeometry() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    char16_t buffer[64] = {};
    DWORD type = 0, size = sizeof(buffer) - sizeof(char16_t);
    const bool ok = RegQueryValueExW(key, kGeometryValue, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
                        ERROR_SUCCESS &&
                    type == REG_SZ;
    RegCloseKey(key);
    return ok ? QString::fromUtf16(buffer) : QString();
}

}  // namespace

struct TCutWaveform::TOwnReaders {
    TAudioFile3 file;
    TAudioFileWMA3 wma;
    TFileReaderAdapter reader{file};
    TWmaReaderAdapter wmaReader{wma};
};

TCutWaveform::TCutWaveform(TPageHost* main, TCutPageBase* page)
    : QObject(page), main_(main), page_(page), bar_(qobject_cast<TWaveTrackBar*>(page->TrackBar)),
      cache_(workflow::DefaultPeakCacheDir()) {
    setObjectName(QStringLiteral("CutWaveform"));
    if (dynamic_cast<TProgramComponents*>(&main->Components())) {
        own_ = std::make_unique<TOwnReaders>();
        reader_ = &own_->reader;
        wmaReader_ = &own_->wmaReader;
    }
    if (bar_) {
        bar_->SetScene(&Peaks(), &page->Segments);
        connect(bar_, &TWaveTrackBar::DoubleClicked, this, [this] {
            if (ActWaveform->isEnabled()) ShowWindow();
        });
    }

    ActPlaySegment = new QAction(tr("Play Segment"), main->HostWindow());
    ActPlaySegment->setObjectName(QStringLiteral("ActPlaySegment"));
    ActWaveform = new QAction(tr("Waveform"), main->HostWindow());
    ActWaveform->setObjectName(QStringLiteral("ActWaveform"));
    connect(ActPlaySegment, &QAction::triggered, this, &TCutWaveform::PlaySegment);
    connect(ActWaveform, &QAction::triggered, this, &TCutWaveform::ShowWindow);
    main->mnuCut->addSeparator();
    main->mnuCut->addAction(ActPlaySegment);
    main->mnuCut->addAction(ActWaveform);
    const auto loaded = [page] { return page->TrackBar->maximum() > 100; };
    main->SetActionUpdate(ActPlaySegment, [page, loaded] { return loaded() && page->SelectedRow() >= 0; });
    main->SetActionUpdate(ActWaveform, loaded);
    page->gridSplit->setContextMenuPolicy(Qt::ActionsContextMenu);
    page->gridSplit->addAction(ActPlaySegment);
    SetShortcuts();

    // The rows' bands follow every change of the list.
    const auto repaint = [this] { Redraw(); };
    connect(&page->Segments, &QAbstractItemModel::dataChanged, this, repaint);
    connect(&page->Segments, &QAbstractItemModel::rowsInserted, this, repaint);
    connect(&page->Segments, &QAbstractItemModel::rowsRemoved, this, repaint);
    connect(&page->Segments, &QAbstractItemModel::modelReset, this, repaint);
    connect(page, &TCutPageBase::SourceChanged, this, &TCutWaveform::SourceChanged);
    connect(page->TrackBar, &QSlider::valueChanged, this, [this] { UpdateWindowScene(); });
    for (QAction* a : {main->ActSetStart, main->ActSetEnd, main->ActDelSpliteall})
        connect(a, &QAction::triggered, this, [this] { UpdateWindowScene(); });

    slice_ = new QTimer(this);
    slice_->setInterval(0);
    connect(slice_, &QTimer::timeout, this, &TCutWaveform::Slice);
    cursorTimer_ = new QTimer(this);
    cursorTimer_->setInterval(kCursorMs);
    connect(cursorTimer_, &QTimer::timeout, this, &TCutWaveform::TickCursor);
    if (page->Playback) {
        connect(page->Playback, &TCutPlayback::Started, this, &TCutWaveform::PlayStarted);
        connect(page->Playback, &TCutPlayback::Stopped, this, &TCutWaveform::PlayStopped);
    }

    // A new source discards the rows only after the user agrees.
    page->ConfirmNewSource = [this] { return ConfirmDiscard(); };
    page->installEventFilter(this);
    qApp->installEventFilter(this);
}

TCutWaveform::~TCutWaveform() {
    qApp->removeEventFilter(this);
    delete window_.data();  // its view asks this object for detail
    builder_.reset();       // closes its reader before the readers go
}

void TCutWaveform::SetShortcuts() {
    const auto keys = [](QAction* a, QList<QKeySequence> k) {
        a->setShortcuts(k);
        a->setShortcutContext(Qt::WindowShortcut);
    };
    keys(main_->ActSplay, {Qt::Key_Space});
    keys(main_->ActSetStart, {Qt::Key_I});
    keys(main_->ActSetEnd, {Qt::Key_O});
    keys(main_->ActAdd, {Qt::Key_Return, Qt::Key_Enter});
    keys(main_->ActSelectSource, {QKeySequence(Qt::CTRL | Qt::Key_O)});
    keys(main_->ActSplit, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Return),
                           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Enter)});
    keys(ActPlaySegment, {QKeySequence(Qt::SHIFT | Qt::Key_Space)});
    keys(ActWaveform, {QKeySequence(Qt::CTRL | Qt::Key_W)});
}

bool TCutWaveform::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // The keys without Ctrl stay with the widgets that already use them: text boxes,
        // drop-downs and spin boxes take every typed key, the grid starts editing with a
        // letter or ticks a box with Space, a button is pressed with Space.
        auto* k = static_cast<QKeyEvent*>(event);
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || !UnmodifiedKey(k)) return false;
        const int key = k->key();
        const bool letterOrSpace = key == Qt::Key_Space || key == Qt::Key_I || key == Qt::Key_O;
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if (!letterOrSpace && !enter) return false;
        // Another page of the main window has no use for the cut page's keys.
        if (w->window() == main_->HostWindow() && main_->ShownPage() != pgCut) {
            event->accept();
            return false;
        }
        const bool text = qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
                          qobject_cast<QComboBox*>(w) || qobject_cast<QTextEdit*>(w) ||
                          qobject_cast<QPlainTextEdit*>(w);
        const bool keeps = text || (letterOrSpace && (qobject_cast<QAbstractItemView*>(w) ||
                                                      (key == Qt::Key_Space && qobject_cast<QAbstractButton*>(w))));
        if (keeps) event->accept();
        return false;
    }
    if (watched == page_ && event->type() == QEvent::Drop && static_cast<QDropEvent*>(event)->mimeData()->hasUrls() &&
        !ConfirmDiscard()) {
        event->ignore();
        return true;
    }
    return false;
}

bool TCutWaveform::ConfirmDiscard() {
    const int rows = page_->Segments.rowCount();
    if (rows == 0) return true;
    const QString text = rows == 1 ? tr("The segment list holds 1 row. Discard it and open the new source?")
                                   : tr("The segment list holds %1 rows. Discard them and open the new "
                                        "source?")
                                         .arg(rows);
    return main_->UI().Ask(text, AppTitle);
}

void TCutWaveform::SetPeakReaders(workflow::AudioReader* reader, workflow::AudioReader* wmaReader) {
    builder_.reset();
    reader_ = reader;
    wmaReader_ = wmaReader;
}

void TCutWaveform::SetCacheDir(const QString& dir) { cache_ = workflow::PeakCache(dir); }

TfrmWaveform* TCutWaveform::Window() const { return window_.data(); }

bool TCutWaveform::Building() const { return builder_ && builder_->Running(); }

workflow::AudioReader* TCutWaveform::ReaderFor(const QString& path) const {
    return workflow::FormatFromFileName(path) == workflow::fcWma ? wmaReader_ : reader_;
}

void TCutWaveform::SourceChanged() {
    const QString path = page_->edtSourceFile->text();
    const bool loaded = page_->TrackBar->maximum() > 100 && QFileInfo(path).isFile();
    slice_->stop();
    builder_.reset();
    peaks_ = workflow::PeakData();
    detail_ = workflow::PeakData();
    longestSlice_ = 0;
    source_ = loaded ? path : QString();
    if (window_) window_->View->SetDuration(loaded ? page_->TrackBar->maximum() : 0);
    if (loaded) {
        if (cache_.Load(path, peaks_)) {
            emit PeaksComplete();
        } else if (workflow::AudioReader* reader = ReaderFor(path)) {
            builder_ = std::make_unique<workflow::PeakBuilder>(*reader);
            try {
                QElapsedTimer t;
                t.start();
                builder_->Begin(path);
                longestSlice_ = t.elapsed();
                sinceRedraw_.start();
                slice_->start();
            } catch (...) {
                builder_.reset();  // no waveform for a file the reader refuses
            }
        }
    }
    Redraw();
}

void TCutWaveform::Slice() {
    if (!builder_) return slice_->stop();
    QElapsedTimer t;
    t.start();
    const bool done = builder_->Step(kSliceBudgetMs);
    longestSlice_ = std::max(longestSlice_, t.elapsed());
    if (!done) {
        if (sinceRedraw_.elapsed() >= kRedrawMs) {
            sinceRedraw_.restart();
            Redraw();
        }
        return;
    }
    slice_->stop();
    const bool failed = builder_->Failed();
    peaks_ = builder_->TakeData();
    builder_.reset();
    if (!failed) cache_.Save(source_, peaks_);
    Redraw();
    emit PeaksComplete();
}

void TCutWaveform::Redraw() {
    if (bar_) bar_->SetScene(&Peaks(), &page_->Segments);
    UpdateWindowScene();
}

void TCutWaveform::UpdateWindowScene() {
    if (!window_) return;
    TWaveScene& s = window_->View->Scene();
    s.peaks = &Peaks();
    s.segments = &page_->Segments;
    s.cursorMs = cursorMs_;
    s.positionMs = page_->TrackBar->value();
    s.startMark = page_->LineStart->isVisible() ? page_->Segments.StartMark() : -1;
    s.endMark = page_->LineEnd->isVisible() ? page_->Segments.EndMark() : -1;
    const bool sel = s.selFrom >= 0 && s.selTo > s.selFrom;
    for (QPushButton* b : {window_->btnSelStart, window_->btnSelEnd, window_->btnSelAdd}) b->setEnabled(sel);
    using workflow::TimeText;
    QString info = tr("Position: %1").arg(TimeText(page_->TrackBar->value()));
    if (sel) info += tr("   Selection: %1 - %2").arg(TimeText(s.selFrom), TimeText(s.selTo));
    window_->ShowInfo(info);
    window_->View->update();
}

const workflow::PeakData* TCutWaveform::Detail(std::int64_t fromMs, std::int64_t toMs) {
    if (source_.isEmpty() || Building()) return nullptr;
    const auto covers = [&] {
        return detail_.sampleRate > 0 && detail_.firstFrame <= detail_.FrameOfMs(double(fromMs)) &&
               detail_.firstFrame + detail_.frames >= std::min(detail_.FrameOfMs(double(toMs)),
                                                               Peaks().frames);
    };
    if (covers()) return &detail_;
    workflow::AudioReader* reader = ReaderFor(source_);
    if (!reader) return nullptr;
    // A view's width on either side, so scrolling a little reads nothing.
    const std::int64_t span = toMs - fromMs;
    try {
        detail_ = workflow::ReadDetail(*reader, source_, std::max<std::int64_t>(0, fromMs - span), toMs + span);
    } catch (...) {
        detail_ = workflow::PeakData();
        return nullptr;
    }
    return &detail_;
}

void TCutWaveform::ShowWindow() {
    if (!window_) {
        window_ = new TfrmWaveform(main_->HostWindow());
        window_->ApplyGeometryText(ReadGeometry());
        // The main window's commands and keys work in this window too.
        window_->addActions({main_->ActSplay, main_->ActSetStart, main_->ActSetEnd, main_->ActAdd, main_->ActSelectSource,
                             main_->ActSplit, ActPlaySegment});
        TWaveView* view = window_->View;
        view->Scene().peaks = &Peaks();
        view->Detail = [this](std::int64_t from, std::int64_t to) { return Detail(from, to); };
        view->SetDuration(page_->TrackBar->maximum() > 100 ? page_->TrackBar->maximum() : 0);
        connect(view, &TWaveView::PositionClicked, this, [this](qint64 ms) {
            // As if the handle were dragged there: the boxes follow by the track bar's rule.
            page_->TrackBar->setValue(int(ms));
            UpdateWindowScene();
        });
        connect(view, &TWaveView::Selected, this, [this] { UpdateWindowScene(); });
        const auto atSelection = [this](bool start) {
            const TWaveScene& s = window_->View->Scene();
            page_->TrackBar->setValue(int(start ? s.selFrom : s.selTo));
        };
        connect(window_->btnSelStart, &QPushButton::clicked, this, [this, atSelection] {
            atSelection(true);
            main_->ActSetStart->trigger();
        });
        connect(window_->btnSelEnd, &QPushButton::clicked, this, [this, atSelection] {
            atSelection(false);
            main_->ActSetEnd->trigger();
        });
        connect(window_->btnSelAdd, &QPushButton::clicked, this, [this, atSelection] {
            atSelection(true);
            main_->ActSetStart->trigger();
            atSelection(false);
            main_->ActSetEnd->trigger();
            main_->ActAdd->trigger();
        });
        connect(window_, &TfrmWaveform::Closing, this, &TCutWaveform::SaveGeometry);
        UpdateWindowScene();
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void TCutWaveform::SaveGeometry() {
    if (!window_) return;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    const std::u16string s = window_->GeometryText().toStdU16String();
    RegSetValueExW(key, kGeometryValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(s.c_str()),
                   DWORD((s.size() + 1) * sizeof(char16_t)));
    RegCloseKey(key);
}

void TCutWaveform::PlaySegment() {
    const int row = page_->SelectedRow();
    if (row < 0 || !page_->Playback) return;
    page_->Playback->PlaySpan(page_->Segments.ReadTime(workflow::colStart, row),
                              page_->Segments.ReadTime(workflow::colEnd, row));
}

void TCutWaveform::PlayStarted(qint64 fromMs) {
    playFrom_ = fromMs;
    playClock_.start();
    cursorTimer_->start();
    TickCursor();
}

void TCutWaveform::PlayStopped() {
    cursorTimer_->stop();
    cursorMs_ = -1;
    if (bar_) bar_->SetCursor(-1);
    UpdateWindowScene();
}

void TCutWaveform::TickCursor() {
    // The player plays in real time from where it started; the cursor follows the clock.
    cursorMs_ = std::min<std::int64_t>(playFrom_ + playClock_.elapsed(), page_->TrackBar->maximum());
    if (bar_) bar_->SetCursor(cursorMs_);
    if (window_ && window_->isVisible()) {
        TWaveView* v = window_->View;
        const double right = v->FromMs() + v->width() * v->MsPerPixel();
        if (cursorMs_ > right || cursorMs_ < v->FromMs()) v->ScrollTo(double(cursorMs_) - v->width() * v->MsPerPixel() / 10);
        UpdateWindowScene();
    }
}
