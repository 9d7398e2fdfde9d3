// The merge page ("Audio Joiner"): the list of files to join, its buttons, playback of
// the listed files, the tags and the output of the join (folder, name, format).
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "mergeServices.h"
#include "workflow/MergeList.h"

class QComboBox;
class QGroupBox;
class QHeaderView;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QToolButton;
class TPageHost;
struct TGridLayout;

namespace workflow {
class JobHost;
}

class TMergePage : public QWidget {
    Q_OBJECT
public:
    explicit TMergePage(QWidget* parent = nullptr);
    ~TMergePage() override;

    // The list's column layout, as "grid.ini" keeps it.
    TGridLayout ColumnLayout() const;
    void ApplyColumnLayout(const TGridLayout& layout);

    // Connects the main window's merge actions to this page and gives them their update steps.
    void Bind(TPageHost& main);
    void SetServices(TMergeServices services) { services_ = std::move(services); }

    // The file dialog of "&Add"; tests replace it. Empty: cancelled.
    std::function<QStringList()> ChooseFiles;
    // The job's progress host; null: the page's own progress window.
    std::function<workflow::JobHost*()> MakeHost;

    void btnAddClick();
    void AddFiles(const QStringList& paths);
    void UpdateTotals();
    void DeselectAllRows();
    void RunDelSelected();
    void RunDeleteUnselected();
    void RunDeleteAll();
    void RunUp();
    void RunDown();
    void RunPlay();
    void RunStop();
    void RunPrior();
    void RunNext();
    void Feed();
    void RunMerge();

    bool CanPlay() const;
    bool CanStop() const;
    bool CanPrior() const;
    bool CanNext() const;
    bool CanMerge() const;

    const workflow::MergeList& List() const { return list_; }
    bool MergePlaying() const { return playing_; }
    int PlayIndex() const;

    QTableWidget* GridView = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnDelete = nullptr;
    QMenu* popDelete = nullptr;
    QAction* DelSelected = nullptr;
    QAction* DeleteunSelect = nullptr;
    QAction* DeleteAll = nullptr;
    QToolButton* btnUp = nullptr;
    QToolButton* btnDown = nullptr;
    QLabel* lblTotal = nullptr;
    QPushButton* btnPrior = nullptr;
    QPushButton* btnPlay = nullptr;
    QPushButton* btnNext = nullptr;
    QPushButton* btnStop = nullptr;
    QGroupBox* grpTags = nullptr;
    QLineEdit* edtTitle = nullptr;
    QLineEdit* edtArtist = nullptr;
    QLineEdit* edtAlbum = nullptr;
    QComboBox* cmbGenre = nullptr;
    QLineEdit* edtYear = nullptr;
    QSpinBox* edtTrack = nullptr;
    QLineEdit* edtComments = nullptr;
    QGroupBox* grpOutput = nullptr;
    QLineEdit* edtFolder = nullptr;
    QToolButton* btnFolder = nullptr;
    QLineEdit* edtFilename = nullptr;
    QComboBox* cmbFormat = nullptr;
    QPushButton* btnMerge = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowList();
    void TakeSelection();
    QString TrackText() const;

    TPageHost* main_ = nullptr;
    TMergeServices services_;
    std::unique_ptr<TMergeBindings, TMergeBindingsDeleter> bindings_;  // on the program's components
    workflow::MergeList list_;
    bool playing_ = false;
    workflow::FormatCode playFormat_ = workflow::fcUnknown;
    int ownPlayIndex_ = -1;
    int* playIndex_ = &ownPlayIndex_;  // the main window's, once bound
    std::vector<bool> sorted_;  // kept as loaded: the list itself is never sorted
    std::vector<bool> descending_;
    std::vector<int> hiddenWidths_;  // a hidden section reports no size
};
