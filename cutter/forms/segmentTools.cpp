#include "segmentTools.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QSlider>
#include <QMenu>
#include <QTimer>
#include <QUndoStack>

#include "app/UserInterface.h"
#include "cutPageBase.h"
#include "cutPlayback.h"
#include "pageHost.h"
#include "silenceForm.h"
#include "workflow/CueSheet.h"
#include "workflow/LabelFile.h"

namespace {

const QString kCueFilter = QStringLiteral("Cue Sheets (*.cue);;All Files (*)");
const QString kLabelFilter = QStringLiteral("Label Files (*.txt);;All Files (*)");

QAction* NewAction(QObject* owner, const QString& text, const char* name) {
    auto* a = new QAction(text, owner);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

}  // namespace

// One change of the segment list, as the states before and after it.
class TListCommand : public QUndoCommand {
public:
    TListCommand(TSegmentTools* tools, workflow::SegmentList::State before, workflow::SegmentList::State after,
                 const QString& text, bool applied)
        : QUndoCommand(text), tools_(tools), before_(std::move(before)), after_(std::move(after)), applied_(applied) {}
    void undo() override { tools_->Apply(before_); }
    void redo() override {
        // A change already made is recorded after the fact; its first redo is the push.
        if (applied_) {
            applied_ = false;
            return;
        }
        tools_->Apply(after_);
    }

private:
    TSegmentTools* tools_;
    workflow::SegmentList::State before_, after_;
    bool applied_;
};

TSegmentTools::TSegmentTools(TPageHost* main, TCutPageBase* page) : QObject(page), main_(main), page_(page) {
    Options = LoadSegmentOptions();
    Undo = new QUndoStack(this);
    ActImportCue = NewAction(this, QStringLiteral("Import Cue Sheet..."), "ActImportCue");
    ActExportCue = NewAction(this, QStringLiteral("Export Cue Sheet..."), "ActExportCue");
    ActImportLabels = NewAction(this, QStringLiteral("Import Labels..."), "ActImportLabels");
    ActExportLabels = NewAction(this, QStringLiteral("Export Labels..."), "ActExportLabels");
    ActSilence = NewAction(this, QStringLiteral("Split at Silence..."), "ActSilence");
    // A change still waiting to be recorded is recorded before the step is undone.
    ActUndo = NewAction(this, QStringLiteral("Undo"), "ActUndo");
    ActUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    ActRedo = NewAction(this, QStringLiteral("Redo"), "ActRedo");
    ActRedo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    connect(ActUndo, &QAction::triggered, this, [this] {
        Commit();
        Undo->undo();
    });
    connect(ActRedo, &QAction::triggered, this, [this] {
        Commit();
        Undo->redo();
    });
    const auto follow = [this] {
        ActUndo->setEnabled(Undo->canUndo());
        ActUndo->setText(Undo->canUndo() ? QStringLiteral("Undo ") + Undo->undoText() : QStringLiteral("Undo"));
        ActRedo->setEnabled(Undo->canRedo());
        ActRedo->setText(Undo->canRedo() ? QStringLiteral("Redo ") + Undo->redoText() : QStringLiteral("Redo"));
    };
    connect(Undo, &QUndoStack::indexChanged, this, follow);
    connect(Undo, &QUndoStack::cleanChanged, this, follow);
    follow();
    main->mnuCut->addSeparator();
    main->mnuCut->addActions({ActImportCue, ActExportCue, ActImportLabels, ActExportLabels});
    main->mnuCut->addSeparator();
    main->mnuCut->addAction(ActSilence);
    main->mnuCut->addSeparator();
    main->mnuCut->addActions({ActUndo, ActRedo});
    // The keys work wherever the focus is in the window, not only through the menu.
    main->HostWindow()->addActions({ActUndo, ActRedo});

    const auto loaded = [page] { return !page->edtSourceFile->text().isEmpty() && !page->DurationText.isEmpty(); };
    const auto hasRows = [page] { return page->Segments.rowCount() > 0; };
    main->SetActionUpdate(ActImportCue, [] { return true; });
    main->SetActionUpdate(ActImportLabels, loaded);
    main->SetActionUpdate(ActExportCue, hasRows);
    main->SetActionUpdate(ActExportLabels, hasRows);
    main->SetActionUpdate(ActSilence, loaded);
    connect(ActImportCue, &QAction::triggered, this, &TSegmentTools::ImportCueSheet);
    connect(ActImportLabels, &QAction::triggered, this, &TSegmentTools::ImportLabels);
    connect(ActExportCue, &QAction::triggered, this, &TSegmentTools::ExportCueSheet);
    connect(ActExportLabels, &QAction::triggered, this, &TSegmentTools::ExportLabels);
    connect(ActSilence, &QAction::triggered, this, &TSegmentTools::SplitAtSilence);

    // The page's own commands name the step they make.
    for (QAction* a : {main->ActAdd, main->ActDelsplite, main->ActDelSpliteall, main->ActEqual})
        connect(a, &QAction::triggered, this, [this, a] { Label(a->text()); });
    workflow::SegmentList* list = &page->Segments;
    connect(list, &QAbstractItemModel::rowsInserted, this, &TSegmentTools::Changed);
    connect(list, &QAbstractItemModel::rowsRemoved, this, &TSegmentTools::Changed);
    connect(list, &QAbstractItemModel::modelReset, this, &TSegmentTools::Changed);
    connect(list, &QAbstractItemModel::dataChanged, this, &TSegmentTools::Changed);
    connect(Undo, &QUndoStack::indexChanged, this, [this] { main_->UpdateActions(); });
    connect(page, &TCutPageBase::SourceLoaded, this, &TSegmentTools::SourceChanged);
    last_ = list->SaveState();
    lastSource_ = page->edtSourceFile->text();

    ChooseOpenFile = [this](const QString& caption, const QString& filter) {
        return QFileDialog::getOpenFileName(main_->HostWindow(), caption, QString(), filter);
    };
    ChooseSaveFile = [this](const QString& caption, const QString& filter, const QString& suggested) {
        return QFileDialog::getSaveFileName(main_->HostWindow(), caption, suggested, filter);
    };
    main->HostWindow()->installEventFilter(this);
}

bool TSegmentTools::eventFilter(QObject* watched, QEvent* event) {
    if (watched == main_->HostWindow() && event->type() == QEvent::Close) KeepList();
    return QObject::eventFilter(watched, event);
}

// --- Undo -------------------------------------------------------------------------------

void TSegmentTools::Changed() {
    if (restoring_ || pending_) return;
    pending_ = true;
    QTimer::singleShot(0, this, &TSegmentTools::Commit);
}

void TSegmentTools::Commit() {
    pending_ = false;
    if (page_->edtSourceFile->text() != lastSource_) return SourceChanged();
    workflow::SegmentList::State now = page_->Segments.SaveState();
    if (now == last_) return;
    const QString text = label_.isEmpty() ? QStringLiteral("Edit Segment") : label_;
    label_.clear();
    workflow::SegmentList::State before = std::move(last_);
    last_ = now;
    Undo->push(new TListCommand(this, std::move(before), std::move(now), text, true));
}

void TSegmentTools::Apply(const workflow::SegmentList::State& state) {
    restoring_ = true;
    page_->Segments.RestoreState(state);
    restoring_ = false;
    last_ = state;
    main_->UpdateActions();
}

void TSegmentTools::SourceChanged() {
    // A new source starts a new list: the steps of the old one no longer apply.
    Undo->clear();
    label_.clear();
    lastSource_ = page_->edtSourceFile->text();
    last_ = page_->Segments.SaveState();
    if (page_->DurationText.isEmpty() || page_->Segments.rowCount() > 0) return;
    const auto kept = LoadKeptSegments();
    const auto facts = FileFacts(lastSource_);
    if (!kept || !facts || kept->source != facts->source || kept->size != facts->size ||
        kept->modifiedMs != facts->modifiedMs)
        return;
    if (!main_->UI().Ask(QStringLiteral("%1 segments of this file were kept from the last session. Restore them?")
                             .arg(kept->state.rows.size()),
                         AppTitle))
        return;
    Undo->push(new TListCommand(this, last_, kept->state, QStringLiteral("Restore Kept Segments"), false));
}

void TSegmentTools::KeepList() {
    Commit();
    auto facts = FileFacts(page_->edtSourceFile->text());
    if (!facts || page_->DurationText.isEmpty()) return;
    facts->state = page_->Segments.SaveState();
    // An empty list clears only what was kept for this same file.
    if (facts->state.rows.empty()) {
        const auto kept = LoadKeptSegments();
        if (!kept || kept->source != facts->source) return;
    }
    SaveKeptSegments(*facts);
}

// --- Files ------------------------------------------------------------------------------

void TSegmentTools::Import(const QString& caption, const std::function<void(const QString&)>& read) {
    const QString file = ChooseOpenFile ? ChooseOpenFile(caption, caption.contains(u"Cue") ? kCueFilter : kLabelFilter)
                                        : QString();
    if (file.isEmpty()) return;
    Commit();
    try {
        read(file);
    } catch (const std::exception& e) {
        main_->UI().ShowMessage(QFileInfo(file).fileName() + QStringLiteral(": ") + QString::fromUtf8(e.what()),
                                AppTitle, TMessageKind::Error);
    }
    Commit();
    main_->UpdateActions();
}

void TSegmentTools::ImportCueSheet() {
    Import(QStringLiteral("Import Cue Sheet"), [this](const QString& file) {
        const workflow::CueSheet sheet = workflow::ParseCueSheet(workflow::ReadWholeFile(file));
        int index = page_->DurationText.isEmpty() ? -1 : workflow::CueFileFor(sheet, page_->edtSourceFile->text());
        if (index < 0) {
            // The file the sheet names, beside it, becomes the source.
            const QDir folder = QFileInfo(file).absoluteDir();
            for (int i = 0; i < sheet.files.size() && index < 0; ++i) {
                const QString path = folder.filePath(QString(sheet.files[i]).replace(u'\\', u'/').section(u'/', -1));
                if (!QFileInfo(path).isFile()) continue;
                if (!page_->LoadSource(path)) return;
                Commit();
                index = i;
            }
        }
        if (index < 0) throw std::runtime_error("the sheet names no file that is loaded or lies beside it.");
        const auto entries = workflow::CueEntries(sheet, index, page_->TrackBar->maximum());
        Label(QStringLiteral("Import Cue Sheet"));
        workflow::AppendEntries(page_->Segments, entries);
    });
}

void TSegmentTools::ImportLabels() {
    if (page_->DurationText.isEmpty()) return;
    Import(QStringLiteral("Import Labels"), [this](const QString& file) {
        const auto entries = workflow::ParseLabelFile(workflow::ReadWholeFile(file), page_->TrackBar->maximum());
        Label(QStringLiteral("Import Labels"));
        workflow::AppendEntries(page_->Segments, entries);
    });
}

void TSegmentTools::Export(const QString& caption, const QString& filter, const QString& extension,
                           const std::function<QByteArray()>& bytes) {
    if (page_->Segments.rowCount() == 0) return;
    const QFileInfo source(page_->edtSourceFile->text());
    const QString suggested = source.absoluteDir().filePath(source.completeBaseName() + extension);
    QString file = ChooseSaveFile ? ChooseSaveFile(caption, filter, suggested) : QString();
    if (file.isEmpty()) return;
    if (QFileInfo(file).suffix().isEmpty()) file += extension;
    try {
        workflow::SaveFileAtomically(file, bytes());
    } catch (const std::exception& e) {
        main_->UI().ShowMessage(QString::fromUtf8(e.what()), AppTitle, TMessageKind::Error);
    }
}

void TSegmentTools::ExportCueSheet() {
    Export(QStringLiteral("Export Cue Sheet"), kCueFilter, QStringLiteral(".cue"), [this] {
        return workflow::WriteCueSheet(workflow::EntriesOf(page_->Segments),
                                       QFileInfo(page_->edtSourceFile->text()).fileName());
    });
}

void TSegmentTools::ExportLabels() {
    Export(QStringLiteral("Export Labels"), kLabelFilter, QStringLiteral(".txt"),
           [this] { return workflow::WriteLabelFile(workflow::EntriesOf(page_->Segments)); });
}

// --- Silence ----------------------------------------------------------------------------

void TSegmentTools::SplitAtSilence() {
    if (page_->edtSourceFile->text().isEmpty() || page_->DurationText.isEmpty()) return;
    // Playback reads through the same reader.
    if (page_->Playback && page_->Playback->Playing()) page_->Playback->Play();
    const QString source = page_->edtSourceFile->text();
    const TCutServices& s = page_->Services();
    workflow::AudioReader* reader = workflow::FormatFromFileName(source) == workflow::fcWma ? s.job.wmaReader : s.job.reader;
    const int row = page_->SelectedRow();
    std::optional<workflow::TimeSpan> selected;
    if (row >= 0)
        selected = workflow::TimeSpan{page_->Segments.ReadTime(workflow::colStart, row),
                                      page_->Segments.ReadTime(workflow::colEnd, row)};
    TfrmSilence dialog(main_->HostWindow(), reader, source, page_->TrackBar->maximum(), selected, Options);
    const int answer = RunSilenceDialog ? RunSilenceDialog(dialog) : dialog.exec();
    if (answer != QDialog::Accepted) return;
    Options = dialog.Options();
    SaveSegmentOptions(Options);
    const std::vector<workflow::TimeSpan> pieces = dialog.Pieces();
    if (pieces.empty()) return;
    Commit();
    Label(QStringLiteral("Split at Silence"));
    if (dialog.SelectedScope())
        page_->Segments.DeleteRow(row);
    else
        page_->DeleteAll();
    for (const workflow::TimeSpan& p : pieces) page_->Segments.AppendRow(p.start, p.end);
    Commit();
    main_->UpdateActions();
}

std::int64_t TSegmentTools::AdjustMark(std::int64_t ms) {
    if (!Options.adjustToSilence || page_->DurationText.isEmpty()) return ms;
    // Playback reads through the same reader; a mark set while it plays stays where it is.
    if (page_->Playback && page_->Playback->Playing()) return ms;
    const QString source = page_->edtSourceFile->text();
    const TCutServices& s = page_->Services();
    workflow::AudioReader* r = workflow::FormatFromFileName(source) == workflow::fcWma ? s.job.wmaReader : s.job.reader;
    if (!r) return ms;
    const std::int64_t duration = page_->TrackBar->maximum();
    const std::int64_t from = std::max<std::int64_t>(0, ms - Options.adjustWindowMs);
    const std::int64_t to = std::min<std::int64_t>(duration, ms + Options.adjustWindowMs);
    try {
        r->Open(source);
        const workflow::StreamInfo info = r->Info();
        r->SeekTime(from);
        const std::int64_t units = info.duration > 0 ? (to - from) * info.size / info.duration + 1 : 0;
        const workflow::AudioBlock block = r->Read(units);
        r->Close();
        const auto [bytes, size] = workflow::BlockBytes(block);
        const std::int64_t quiet = workflow::QuietestPointMs(bytes, size);
        return quiet < 0 ? ms : std::clamp<std::int64_t>(from + quiet, 0, duration);
    } catch (const std::exception&) {
        try {
            r->Close();
        } catch (...) {
        }
        return ms;  // the mark stays where the user put it
    }
}
