// The cut page's segment tools beyond adding, deleting and equal pieces: cue sheets and
// label files in and out, splitting at silence, moving hand-set marks to silence, undo
// and redo of every change to the segment list, and the list kept for the next run.
// Their commands come after the Cut menu's own.
//
// Undo works on snapshots: every change of the list (from any command or a cell edit)
// is gathered until the event loop comes back and then recorded as one step, labelled
// by the command that made it.
#pragma once

#include <QObject>
#include <functional>

#include "settings/SegmentMemory.h"
#include "workflow/SegmentList.h"

class QAction;
class QUndoStack;
class TCutPageBase;
class TPageHost;
class TfrmSilence;

class TSegmentTools : public QObject {
    Q_OBJECT
public:
    TSegmentTools(TPageHost* main, TCutPageBase* page);

    // File choosers; tests replace them. Empty: cancelled.
    std::function<QString(const QString& caption, const QString& filter)> ChooseOpenFile;
    std::function<QString(const QString& caption, const QString& filter, const QString& suggested)> ChooseSaveFile;
    // Runs the silence dialog; tests replace it to drive the dialog themselves.
    std::function<int(TfrmSilence&)> RunSilenceDialog;

    void ImportCueSheet();
    void ImportLabels();
    void ExportCueSheet();
    void ExportLabels();
    void SplitAtSilence();
    // Records the changes made since the last step as one undo step now.
    void Commit();
    // The mark to use for a position set by hand: the position itself, or the quietest
    // point within the window around it when that option is on.
    std::int64_t AdjustMark(std::int64_t ms);
    // Keeps the rows of the current source for the next run (called when the window closes).
    void KeepList();

    QUndoStack* Undo = nullptr;
    QAction* ActImportCue = nullptr;
    QAction* ActExportCue = nullptr;
    QAction* ActImportLabels = nullptr;
    QAction* ActExportLabels = nullptr;
    QAction* ActSilence = nullptr;
    QAction* ActUndo = nullptr;
    QAction* ActRedo = nullptr;
    TSegmentOptions Options;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TListCommand;
    void Changed();
    void Apply(const workflow::SegmentList::State& state);
    void SourceChanged();
    void Label(const QString& text) { label_ = text; }
    void Import(const QString& caption, const std::function<void(const QString& file)>& read);
    void Export(const QString& caption, const QString& filter, const QString& extension,
                const std::function<QByteArray()>& bytes);

    TPageHost* main_;
    TCutPageBase* page_;
    workflow::SegmentList::State last_;
    QString lastSource_;
    QString label_;
    bool pending_ = false;
    bool restoring_ = false;
};
