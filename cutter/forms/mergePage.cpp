#include "mergePage.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>
#include <cmath>
#include <memory>

#include "app/ProductInfo.h"
#include "app/ProgramComponents.h"
#include "app/UserInterface.h"
#include "mergePageBindings.h"
#include "pageHost.h"
#include "progressForm.h"
#include "settings/GridLayout.h"
#include "workflow/Genres.h"
#include "workflow/JobHost.h"
#include "workflow/MergeJob.h"

using namespace workflow;

namespace {

const char kAddFilter[] = QT_TRANSLATE_NOOP(
    "TMergePage",
    "All Supported Files(*.mp3 *.wav *.ogg *.wma);;MP3 (MPEG 1/2 Layer 3) Files(*.mp3);;WAV Files(*.wav);;"
    "Ogg Vorbis Files(*.ogg);;Windows Media Audio files(*.wma)");

// Paints the cells of the row being played, while it is the selected row, in the play colour.
class TPlayRowDelegate : public QStyledItemDelegate {
public:
    TPlayRowDelegate(TMergePage* page) : QStyledItemDelegate(page), page_(page) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        if (selected && page_->MergePlaying() && page_->List().Selected() >= 0 &&
            index.row() == page_->PlayIndex()) {
            painter->fillRect(option.rect, QColor(187, 94, 0));
            QStyleOptionViewItem plain = option;
            plain.state &= ~QStyle::State_Selected;
            plain.palette.setColor(QPalette::Text, Qt::white);
            plain.backgroundBrush = Qt::NoBrush;
            QStyledItemDelegate::paint(painter, plain, index);
            // The highlight takes the keyboard to the grid, after this paint is done.
            if (!page_->GridView->hasFocus())
                QMetaObject::invokeMethod(page_->GridView, qOverload<>(&QWidget::setFocus), Qt::QueuedConnection);
            return;
        }
        QStyledItemDelegate::paint(painter, option, index);
    }

private:
    TMergePage* page_;
};

QPushButton* Button(const QString& text, const char* name, QWidget* parent, QRect geometry) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    return b;
}

QLineEdit* Edit(const QString& label, const char* name, QWidget* parent, QRect labelGeometry, QRect geometry) {
    auto* l = new QLabel(label, parent);
    l->setGeometry(labelGeometry);
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(geometry);
    l->setBuddy(e);
    return e;
}

}  // namespace

TMergePage::TMergePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tabMerge"));

    GridView = new QTableWidget(0, mcColumnCount, this);
    GridView->setObjectName(QStringLiteral("GridView"));
    GridView->setHorizontalHeaderLabels(MergeColumnCaptions());
    GridView->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridView->setSelectionMode(QAbstractItemView::SingleSelection);
    GridView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridView->verticalHeader()->hide();
    GridView->verticalHeader()->setDefaultSectionSize(20);
    GridView->horizontalHeader()->setSectionsMovable(true);
    GridView->setColumnWidth(0, 160);
    GridView->setColumnWidth(mcColumnCount - 1, 200);
    GridView->setGeometry(8, 8, 716, 190);
    GridView->setItemDelegate(new TPlayRowDelegate(this));
    GridView->setAcceptDrops(true);
    GridView->viewport()->setAcceptDrops(true);
    GridView->viewport()->installEventFilter(this);
    connect(GridView, &QTableWidget::itemSelectionChanged, this, &TMergePage::TakeSelection);
    sorted_.assign(size_t(GridView->columnCount()), false);
    descending_.assign(size_t(GridView->columnCount()), false);
    hiddenWidths_.assign(size_t(GridView->columnCount()), 64);

    // The list's buttons.
    btnAdd = Button(tr("&Add"), "btnAdd", this, QRect(8, 204, 80, 26));
    btnDelete = Button(tr("&Delete"), "btnDelete", this, QRect(94, 204, 80, 26));
    popDelete = new QMenu(this);
    popDelete->setObjectName(QStringLiteral("popDelete"));
    DelSelected = popDelete->addAction(tr("Delete Selected"));
    DelSelected->setObjectName(QStringLiteral("DelSelectedItem"));
    DeleteunSelect = popDelete->addAction(tr("Delete Unselected"));
    DeleteunSelect->setIconText(tr("Delete Unselect"));
    DeleteunSelect->setObjectName(QStringLiteral("DeleteunSelect"));
    DeleteAll = popDelete->addAction(tr("Delete All"));
    DeleteAll->setObjectName(QStringLiteral("DeleteAll"));
    btnDelete->setMenu(popDelete);
    connect(DelSelected, &QAction::triggered, this, &TMergePage::RunDelSelected);
    connect(DeleteunSelect, &QAction::triggered, this, &TMergePage::RunDeleteUnselected);
    connect(DeleteAll, &QAction::triggered, this, &TMergePage::RunDeleteAll);
    btnUp = new QToolButton(this);
    btnUp->setObjectName(QStringLiteral("btnUp"));
    btnUp->setArrowType(Qt::UpArrow);
    btnUp->setToolTip(tr("Move Up"));
    btnUp->setGeometry(180, 204, 26, 26);
    btnDown = new QToolButton(this);
    btnDown->setObjectName(QStringLiteral("btnDown"));
    btnDown->setArrowType(Qt::DownArrow);
    btnDown->setToolTip(tr("Move Down"));
    btnDown->setGeometry(210, 204, 26, 26);
    lblTotal = new QLabel(this);
    lblTotal->setObjectName(QStringLiteral("lblTotal"));
    lblTotal->setGeometry(244, 206, 180, 22);

    btnPrior = Button(tr("P&rior"), "btnPrior", this, QRect(436, 204, 68, 26));
    btnPlay = Button(tr("&Play"), "btnPlay", this, QRect(508, 204, 68, 26));
    btnNext = Button(tr("&Next"), "btnNext", this, QRect(580, 204, 68, 26));
    btnStop = Button(tr("&Stop"), "btnStop", this, QRect(652, 204, 68, 26));
    connect(btnAdd, &QPushButton::clicked, this, &TMergePage::btnAddClick);

    // Tags of the output.
    grpTags = new QGroupBox(tr("Tags"), this);
    grpTags->setObjectName(QStringLiteral("grpTags"));
    grpTags->setGeometry(8, 234, 716, 106);
    edtTitle = Edit(tr("Title:"), "edtTitle", grpTags, QRect(10, 22, 50, 22), QRect(62, 20, 200, 24));
    edtArtist = Edit(tr("Artist:"), "edtArtist", grpTags, QRect(272, 22, 50, 22), QRect(324, 20, 160, 24));
    edtAlbum = Edit(tr("Album:"), "edtAlbum", grpTags, QRect(494, 22, 50, 22), QRect(546, 20, 160, 24));
    auto* genreLabel = new QLabel(tr("Genre:"), grpTags);
    genreLabel->setGeometry(10, 50, 50, 22);
    cmbGenre = new QComboBox(grpTags);
    cmbGenre->setObjectName(QStringLiteral("cmbGenre"));
    cmbGenre->setEditable(true);
    cmbGenre->addItems(GenreList());
    cmbGenre->setCurrentIndex(-1);
    cmbGenre->setGeometry(62, 48, 200, 24);
    genreLabel->setBuddy(cmbGenre);
    edtYear = Edit(tr("Year:"), "edtYear", grpTags, QRect(272, 50, 50, 22), QRect(324, 48, 60, 24));
    auto* trackLabel = new QLabel(tr("Track#:"), grpTags);
    trackLabel->setGeometry(394, 50, 50, 22);
    edtTrack = new QSpinBox(grpTags);
    edtTrack->setObjectName(QStringLiteral("edtTrack"));
    edtTrack->setRange(-32768, 32767);  // the tag writers take 16 bits
    edtTrack->setGroupSeparatorShown(true);
    edtTrack->setGeometry(446, 48, 80, 24);
    trackLabel->setBuddy(edtTrack);
    edtComments =
        Edit(tr("Comment:"), "edtComments", grpTags, QRect(10, 78, 70, 22), QRect(82, 76, 624, 24));
    grpTags->setFixedHeight(106);

    grpOutput = new QGroupBox(tr("Output"), this);
    grpOutput->setObjectName(QStringLiteral("grpOutput"));
    grpOutput->setGeometry(8, 344, 716, 88);

    auto* folderLabel = new QLabel(tr("Output Folder:"), grpOutput);
    folderLabel->setGeometry(10, 24, 90, 22);
    edtFolder = new QLineEdit(grpOutput);
    edtFolder->setObjectName(QStringLiteral("edtFolder"));
    edtFolder->setGeometry(102, 22, 430, 24);
    folderLabel->setBuddy(edtFolder);
    btnFolder = new QToolButton(grpOutput);
    btnFolder->setObjectName(QStringLiteral("btnFolder"));
    btnFolder->setText(QStringLiteral("..."));
    btnFolder->setGeometry(534, 22, 28, 24);

    auto* nameLabel = new QLabel(tr("File Name:"), grpOutput);
    nameLabel->setGeometry(10, 54, 90, 22);
    edtFilename = new QLineEdit(QStringLiteral("Undefined"), grpOutput);
    edtFilename->setObjectName(QStringLiteral("edtFilename"));
    edtFilename->setGeometry(102, 52, 260, 24);
    nameLabel->setBuddy(edtFilename);

    auto* formatLabel = new QLabel(tr("Format:"), grpOutput);
    formatLabel->setGeometry(376, 54, 50, 22);
    cmbFormat = new QComboBox(grpOutput);
    cmbFormat->setObjectName(QStringLiteral("cmbFormat"));
    cmbFormat->addItems({QStringLiteral("MP3 (MPEG 1/2 Layer 3)"), QStringLiteral("Ogg Vorbis"), QStringLiteral("WAV"),
                         QStringLiteral("WMA")});
    cmbFormat->setCurrentIndex(-1);
    cmbFormat->setGeometry(430, 52, 200, 24);
    formatLabel->setBuddy(cmbFormat);

    btnMerge = Button(tr("Merge Now!"), "btnMerge", this, QRect(604, 436, 120, 28));
    btnMerge->setDefault(true);

    ChooseFiles = [this] {
        return QFileDialog::getOpenFileNames(window(), QString(), QString(), tr(kAddFilter));
    };
}

TMergePage::~TMergePage() = default;

void TMergePage::Bind(TPageHost& main) {
    main_ = &main;
    // On the program's own components the page binds to their instances; tests set theirs.
    if (auto* program = dynamic_cast<TProgramComponents*>(&main.Components())) {
        bindings_ = MakeMergeBindings(*program);
        services_ = ServicesOf(*bindings_);
    }
    playIndex_ = &main.MergePlayIndex;
    const auto wire = [&](QAction* action, void (TMergePage::*run)(), std::function<bool()> update) {
        connect(action, &QAction::triggered, this, run);
        main.SetActionUpdate(action, std::move(update));
    };
    wire(main.ActMergeAdd, &TMergePage::btnAddClick, [] { return true; });
    wire(main.DelSelected, &TMergePage::RunDelSelected, [this] { return list_.Selected() >= 0; });
    // One "Delete Selected" for the menu bar and the drop-down of "&Delete".
    popDelete->insertAction(DelSelected, main.DelSelected);
    popDelete->removeAction(DelSelected);
    delete DelSelected;
    DelSelected = main.DelSelected;
    main.SetActionUpdate(DeleteunSelect, [this] { return list_.Count() > 0; });
    main.SetActionUpdate(DeleteAll, [this] { return list_.Count() > 0; });
    wire(main.UpAction, &TMergePage::RunUp, [this] { return list_.CanMoveUp(); });
    wire(main.DownAction, &TMergePage::RunDown, [this] { return list_.CanMoveDown(); });
    wire(main.ActMplay, &TMergePage::RunPlay, [this] { return CanPlay(); });
    wire(main.ActMstop, &TMergePage::RunStop, [this] { return CanStop(); });
    wire(main.ActPrior, &TMergePage::RunPrior, [this] { return CanPrior(); });
    wire(main.ActNext, &TMergePage::RunNext, [this] { return CanNext(); });
    wire(main.ActMerge, &TMergePage::RunMerge, [this] { return CanMerge(); });
    main.UpAction->setToolTip(tr("Move Up"));
    main.DownAction->setToolTip(tr("Move Down"));
    btnUp->setDefaultAction(main.UpAction);
    btnUp->setArrowType(Qt::UpArrow);
    btnUp->setToolButtonStyle(Qt::ToolButtonIconOnly);
    btnDown->setDefaultAction(main.DownAction);
    btnDown->setArrowType(Qt::DownArrow);
    btnDown->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // The buttons follow their actions' enabling.
    const auto follow = [this](QPushButton* b, QAction* a) {
        connect(b, &QPushButton::clicked, a, &QAction::trigger);
        connect(a, &QAction::changed, b, [b, a] { b->setEnabled(a->isEnabled()); });
        b->setEnabled(a->isEnabled());
    };
    follow(btnPrior, main.ActPrior);
    follow(btnPlay, main.ActMplay);
    follow(btnNext, main.ActNext);
    follow(btnStop, main.ActMstop);
    follow(btnMerge, main.ActMerge);
    main.MergeStopAction = [this] { RunStop(); };
    // The players share one feed: it serves the merge player while this page plays.
    std::function<void()> other = main.Feed;
    main.Feed = [this, other] {
        if (playing_)
            Feed();
        else if (other)
            other();
    };
}

int TMergePage::PlayIndex() const { return *playIndex_; }

void TMergePage::ShowList() {
    const QSignalBlocker block(GridView);
    GridView->clearSelection();
    GridView->setRowCount(list_.Count());
    for (int r = 0; r < list_.Count(); ++r) {
        const QStringList& cells = list_.Row(r);
        for (int c = 0; c < mcColumnCount; ++c) {
            QTableWidgetItem* item = GridView->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                GridView->setItem(r, c, item);
            }
            item->setText(cells[c]);
        }
    }
    if (list_.Selected() >= 0)
        GridView->selectRow(list_.Selected());
    if (main_)
        main_->UpdateActions();
}

void TMergePage::TakeSelection() {
    const QList<QTableWidgetSelectionRange> ranges = GridView->selectedRanges();
    list_.Select(ranges.isEmpty() ? -1 : ranges.first().topRow());
    if (main_)
        main_->UpdateActions();
}

void TMergePage::DeselectAllRows() {
    list_.Select(-1);
    const QSignalBlocker block(GridView);
    GridView->clearSelection();
}

void TMergePage::btnAddClick() {
    const QStringList files = ChooseFiles ? ChooseFiles() : QStringList();
    if (files.isEmpty())
        return;
    AddFiles(files);
}

void TMergePage::AddFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        if (services_.media && IsValidAudioFile(*services_.media, path)) {
            const int row = list_.AppendEmpty();
            ShowList();
            try {
                list_.SetRow(row, FillRow(*services_.media, path));
            } catch (const std::exception& e) {
                // The add stops here with the component's error; the empty row stays.
                ShowList();
                if (main_)
                    main_->UI().ShowMessage(QString::fromUtf8(e.what()), AppTitle, TMessageKind::Error);
                return;
            }
        } else if (main_) {
            main_->UI().ShowMessage(tr("File \"%1\" is not a valid audio file.").arg(path),
                                    AppTitle, TMessageKind::Warning);
        }
    }
    ShowList();
    UpdateTotals();
}

void TMergePage::UpdateTotals() {
    if (list_.Count() == 0) {
        lblTotal->clear();
        return;
    }
    if (services_.media)
        lblTotal->setText(list_.Totals(*services_.media, lblTotal->text()));
}

void TMergePage::RunDelSelected() {
    if (list_.Selected() < 0)
        return;
    list_.DeleteSelected();
    ShowList();
    UpdateTotals();
}

void TMergePage::RunDeleteUnselected() {
    if (list_.Count() == 0)
        return;
    list_.DeleteUnselected();
    ShowList();
    UpdateTotals();
}

void TMergePage::RunDeleteAll() {
    if (list_.Count() == 0)
        return;
    list_.DeleteAll();
    ShowList();
    UpdateTotals();
}

void TMergePage::RunUp() {
    if (list_.MoveUp(playing_, *playIndex_))
        ShowList();
    GridView->setFocus();
}

void TMergePage::RunDown() {
    if (list_.MoveDown(playing_, *playIndex_))
        ShowList();
    GridView->setFocus();
}

bool TMergePage::CanPlay() const { return list_.Selected() >= 0 && !playing_; }

bool TMergePage::CanStop() const {
    IAudioPlayer* p = main_ ? main_->Components().MergePlayer() : nullptr;
    return playing_ && p && p->Playing();
}

bool TMergePage::CanPrior() const { return list_.Selected() >= 0 && *playIndex_ > 0 && playing_; }

bool TMergePage::CanNext() const {
    return list_.Selected() >= 0 && *playIndex_ < list_.Count() - 1 && playing_;
}

bool TMergePage::CanMerge() const {
    return list_.Count() >= 2 && cmbFormat->currentIndex() >= 0 && !edtFilename->text().isEmpty() &&
           !edtFolder->text().isEmpty();
}

void TMergePage::RunPlay() {
    if (!CanPlay() || !main_)
        return;
    const QString path = list_.Path(list_.Selected());
    if (!QFileInfo::exists(path))
        return;
    playFormat_ = workflow::FormatFromFileName(path);
    *playIndex_ = list_.Selected();
    if (playFormat_ == workflow::fcUnknown)
        return;
    AudioReader* reader = playFormat_ == workflow::fcWma ? services_.job.wmaReader : services_.job.reader;
    IAudioPlayer* player = main_->Components().MergePlayer();
    if (!reader || !player)
        return;
    try {
        reader->Open(path);
        player->SetStartMode(2);
        player->Start(44100, 2, 16, 0);
    } catch (const std::exception& e) {
        main_->UI().ShowMessage(QString::fromUtf8(e.what()), AppTitle, TMessageKind::Error);
        return;
    }
    playing_ = true;
    Feed();
    Feed();
    GridView->viewport()->update();
    main_->UpdateActions();
}

void TMergePage::Feed() {
    if (!main_ || playFormat_ == workflow::fcUnknown)
        return;
    try {
        AudioReader* reader = playFormat_ == workflow::fcWma ? services_.job.wmaReader : services_.job.reader;
        IAudioPlayer* player = main_->Components().MergePlayer();
        if (!reader || !player)
            return;
        const StreamInfo info = reader->Info();
        AudioBlock data =
            reader->Read(PlayBlockUnits(info.sampleRate, info.channels, info.sampleSize, info.compressRate));
        if (!data.Empty() && main_->ShownPage() == pgMerge) {
            player->PlayArray(*data.Get());
            QApplication::processEvents();
        }
    } catch (...) {
        // A block that cannot be read or played ends nothing: the player's end event does.
    }
}

void TMergePage::RunStop() {
    if (!main_)
        return;
    if (IAudioPlayer* p = main_->Components().MergePlayer())
        p->Stop();
    if (services_.job.reader)
        services_.job.reader->Close();
    playing_ = false;
    GridView->setFocus();
    GridView->viewport()->update();
    main_->UpdateActions();
}

void TMergePage::RunPrior() {
    if (!CanPrior())
        return;
    const int target = *playIndex_ - 1;
    RunStop();
    DeselectAllRows();
    list_.Select(target);
    ShowList();
    RunPlay();
}

void TMergePage::RunNext() {
    if (!CanNext())
        return;
    const int target = *playIndex_ + 1;
    RunStop();
    DeselectAllRows();
    list_.Select(target);
    ShowList();
    RunPlay();
}

QString TMergePage::TrackText() const {
    // The numeric edit's display: thousands separated, negatives in brackets.
    const int v = edtTrack->value();
    const QString digits = QLocale().toString(std::abs(v));
    return v < 0 ? QStringLiteral("(") + digits + QStringLiteral(")") : digits;
}

void TMergePage::RunMerge() {
    if (!CanMerge() || !main_)
        return;
    MergeRequest request;
    request.inputs = list_.Paths();
    request.folder = edtFolder->text();
    request.fileName = edtFilename->text();
    request.formatIndex = cmbFormat->currentIndex();
    request.tags.title = edtTitle->text();
    request.tags.artist = edtArtist->text();
    request.tags.album = edtAlbum->text();
    request.tags.genre = cmbGenre->currentText();
    request.tags.year = edtYear->text();
    request.tags.comment = edtComments->text();
    request.tags.track = TrackText();
    const TSettingsValues settings = main_->CollectSettings();
    JobOptions options;
    options.promptOverwrite = settings.promptExist;
    options.showSuccess = settings.showSucc;
    options.openDestination = settings.openFolder;
    options.copyAudio = settings.copyAudio;
    JobComponents components = services_.job;
    components.configureWriter = [this](workflow::FormatCode code) { return main_->ConfigureWriter(code); };
    components.stopPlayback = [this] {
        if (playing_)
            RunStop();
    };
    std::unique_ptr<Tfrmprogress> own;
    JobHost* host = MakeHost ? MakeHost() : nullptr;
    if (!host) {
        own = std::make_unique<Tfrmprogress>(main_);
        host = own.get();
    }
    if (!components.reader || !components.writer) {
        main_->UI().ShowMessage(tr("The audio file components are not available."), AppTitle,
                                TMessageKind::Error);
        return;
    }
    const MergeJobResult result = RunMergeJob(request, options, components, *host);
    if (result.outcome == MergeOutcome::FolderRefused)
        main_->edtFolderButtonClick();
}

bool TMergePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == GridView->viewport()) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDropEvent*>(event);
            if (drag->mimeData()->hasUrls()) {
                drag->acceptProposedAction();
                return true;
            }
        } else if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            QStringList paths;
            for (const QUrl& url : drop->mimeData()->urls())
                if (url.isLocalFile())
                    paths << QDir::toNativeSeparators(url.toLocalFile());
            drop->acceptProposedAction();
            if (!paths.isEmpty())
                AddFiles(paths);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

TGridLayout TMergePage::ColumnLayout() const {
    TGridLayout layout;
    const QHeaderView* header = GridView->horizontalHeader();
    for (int c = 0; c < GridView->columnCount(); ++c) {
        TGridColumn col;
        col.width = header->isSectionHidden(c) ? hiddenWidths_[size_t(c)] : header->sectionSize(c);
        col.position = header->visualIndex(c);
        col.visible = !header->isSectionHidden(c);
        col.sorted = sorted_[size_t(c)];
        col.descending = descending_[size_t(c)];
        layout.columns.push_back(col);
    }
    return layout;
}

void TMergePage::ApplyColumnLayout(const TGridLayout& layout) {
    QHeaderView* header = GridView->horizontalHeader();
    const int count = std::min(int(layout.columns.size()), GridView->columnCount());
    for (int c = 0; c < count; ++c) {
        const TGridColumn& col = layout.columns[size_t(c)];
        header->resizeSection(c, col.width);
        hiddenWidths_[size_t(c)] = col.width;
        header->setSectionHidden(c, !col.visible);
        sorted_[size_t(c)] = col.sorted;
        descending_[size_t(c)] = col.descending;
    }
    // Positions: place the columns in display order, lowest position first.
    std::vector<int> order(static_cast<size_t>(count));
    for (int c = 0; c < count; ++c)
        order[size_t(c)] = c;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return layout.columns[size_t(a)].position < layout.columns[size_t(b)].position;
    });
    for (int visual = 0; visual < count; ++visual)
        header->moveSection(header->visualIndex(order[size_t(visual)]), visual);
}
