#include "mainForm.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <exception>

#include "QtUserInterface.h"
#include "aboutForm.h"
#include "app/ProductInfo.h"
#include "app/WriterConfig.h"
#include "application.h"
#include "cutPage.h"
#include "icons.h"
#include "mergePage.h"
#include "settingsPage.h"
#include "toolbarPanel.h"

namespace {

constexpr int kClientWidth = 732;
constexpr int kClientHeight = 535;
const QEvent::Type kCancelEvent = QEvent::Type(QEvent::User + WM_USER_CANCEL);

QAction* NewAction(QObject* owner, const QString& text, const char* name) {
    auto* a = new QAction(text, owner);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

}  // namespace

TfrmMain::TfrmMain(std::unique_ptr<IComponentSet> components, TAppPaths paths, IUserInterface* ui)
    : QMainWindow(nullptr,
                  Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                      Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      TPageHost(this),
      components_(std::move(components)),
      store_(std::move(paths)) {
    if (!ui) {
        ownUi_ = std::make_unique<TQtUserInterface>(this);
        ui = ownUi_.get();
    }
    ui_ = ui;
    // An error that no step catches is shown in this window's error box.
    TApplication::SetErrorReporter([this](const QString& text) { ui_->ShowMessage(text, AppTitle, TMessageKind::Error); });

    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(AppTitle);
    setWindowIcon(DrawnIcon(TIconKind::Program));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    BuildActions();
    pnlToolbar = new TToolbarPanel(client);
    layout->addWidget(pnlToolbar);
    BuildToolbar();

    PageControl = new QStackedWidget(client);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    tabSplit = new TCutPage(PageControl);
    tabMerge = new TMergePage(PageControl);
    tabSettings = new TSettingsPage(params_, *ui_, PageControl);
    PageControl->addWidget(tabSplit);
    PageControl->addWidget(tabMerge);
    PageControl->addWidget(tabSettings);
    layout->addWidget(PageControl, 1);
    setCentralWidget(client);

    BuildMenus();
    ShowPage(pgCut);

    connect(tabSplit->btnSplitFolder, &QToolButton::clicked, this, &TfrmMain::SelectTargetFolder);
    connect(tabMerge->btnFolder, &QToolButton::clicked, this, &TfrmMain::edtFolderButtonClick);
    tabMerge->Bind(*this);

    // Fixed border: the client area keeps its size; the menu bar comes on top of it.
    adjustSize();
    setFixedSize(sizeHint());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    idle_ = new QTimer(this);
    idle_->setInterval(200);
    connect(idle_, &QTimer::timeout, this, &TfrmMain::UpdateActions);
    idle_->start();
    UpdateActions();
}

TfrmMain::~TfrmMain() {
    // A player torn down with the pages may run the event loop; the window is half gone by then.
    idle_->stop();
    idle_->disconnect(this);
    TApplication::SetErrorReporter({});
}

void TfrmMain::OpenFiles(const QStringList& files) {
    if (files.size() == 1) {
        ShowPage(pgCut);
        tabSplit->LoadSource(files.first());
    } else if (files.size() > 1) {
        ShowPage(pgMerge);
        tabMerge->AddFiles(files);
    }
}

void TfrmMain::BuildActions() {
    grpPages = new QActionGroup(this);
    grpPages->setExclusive(true);
    ActCutAudio = NewAction(this, tr("Cut Audio"), "ActCutAudio");
    ActMergeAudio = NewAction(this, tr("Merge Audio"), "ActMergeAudio");
    ActSettings = NewAction(this, tr("Settings"), "ActSettings");
    const TIconKind pageIcons[] = {TIconKind::Cut, TIconKind::Merge, TIconKind::Settings};
    QAction* pages[] = {ActCutAudio, ActMergeAudio, ActSettings};
    for (int i = 0; i < 3; ++i) {
        pages[i]->setCheckable(true);
        pages[i]->setIcon(DrawnIcon(pageIcons[i]));
        grpPages->addAction(pages[i]);
        connect(pages[i], &QAction::triggered, this, [this, i] { ShowPage(i); });
    }

    ActExit = NewAction(this, tr("Exit"), "ActExit");
    connect(ActExit, &QAction::triggered, this, &QWidget::close);
    ActWebsite = NewAction(this, tr("Website"), "ActWebsite");
    ActWebsite->setIcon(DrawnIcon(TIconKind::Website));
    connect(ActWebsite, &QAction::triggered, this, &TfrmMain::OpenWebsite);
    ActAbout = NewAction(this, tr("About"), "ActAbout");
    ActAbout->setIcon(DrawnIcon(TIconKind::About));
    connect(ActAbout, &QAction::triggered, this, &TfrmMain::ShowAbout);
    mnuWebsite = NewAction(this, tr("Website..."), "mnuWebsite");
    connect(mnuWebsite, &QAction::triggered, this, &TfrmMain::OpenWebsite);
    mnuAbout = NewAction(this, tr("About..."), "mnuAbout");
    connect(mnuAbout, &QAction::triggered, this, &TfrmMain::ShowAbout);

    ActSelectSource = NewAction(this, tr("Select Source File"), "ActSelectSource");
    ActSelectTarget = NewAction(this, tr("Select Target Folder"), "ActSelectTarget");
    connect(ActSelectTarget, &QAction::triggered, this, &TfrmMain::SelectTargetFolder);
    updates_[ActSelectTarget] = [] { return true; };
    ActSetStart = NewAction(this, tr("Set Start"), "ActSetStart");
    ActSetEnd = NewAction(this, tr("Set End"), "ActSetEnd");
    ActAdd = NewAction(this, tr("Add to Queue"), "ActAdd");
    ActDelsplite = NewAction(this, tr("Delete Selected"), "ActDelsplite");
    ActDelSpliteall = NewAction(this, tr("Delete All"), "ActDelSpliteall");
    ActEqual = NewAction(this, tr("Split to equal segments"), "ActEqual");
    ActSplay = NewAction(this, tr("Play"), "ActSplay");
    ActSplit = NewAction(this, tr("Cut Now!"), "ActSplit");

    ActMergeAdd = NewAction(this, tr("Add"), "ActMergeAdd");
    DelSelected = NewAction(this, tr("Delete Selected"), "DelSelected");
    UpAction = NewAction(this, tr("Move up"), "UpAction");
    DownAction = NewAction(this, tr("Move down"), "DownAction");
    ActPrior = NewAction(this, tr("P&rior"), "ActPrior");
    ActMplay = NewAction(this, tr("&Play"), "ActMplay");
    ActNext = NewAction(this, tr("&Next"), "ActNext");
    ActMstop = NewAction(this, tr("&Stop"), "ActMstop");
    ActMerge = NewAction(this, tr("Merge Now!"), "ActMerge");
}

void TfrmMain::BuildMenus() {
    QMenuBar* bar = menuBar();
    mnuFiles = bar->addMenu(tr("Files"));
    mnuFiles->setObjectName(QStringLiteral("mnuFiles"));
    mnuFiles->addActions({ActCutAudio, ActMergeAudio, ActSettings});
    mnuFiles->addSeparator();
    mnuFiles->addAction(ActExit);

    mnuCut = bar->addMenu(tr("Cut"));
    mnuCut->setObjectName(QStringLiteral("mnuCut"));
    mnuCut->addActions({ActSelectSource, ActSelectTarget});
    mnuCut->addSeparator();
    mnuCut->addActions({ActSetStart, ActSetEnd, ActAdd, ActDelsplite, ActEqual, ActSplay});
    mnuCut->addSeparator();
    mnuCut->addAction(ActSplit);
    tabSplit->Bind(this);

    mnuMerge = bar->addMenu(tr("Merge"));
    mnuMerge->setObjectName(QStringLiteral("mnuMerge"));
    mnuMerge->addActions({ActMergeAdd, DelSelected, UpAction, DownAction});
    mnuMerge->addSeparator();
    mnuMerge->addActions({ActPrior, ActMplay, ActNext, ActMstop});
    mnuMerge->addSeparator();
    mnuMerge->addAction(ActMerge);

    mnuSoftware = bar->addMenu(tr("Software"));
    mnuSoftware->setObjectName(QStringLiteral("mnuSoftware"));
    for (const auto& [name, address] : OtherProducts()) {
        QAction* a = mnuSoftware->addAction(name);
        connect(a, &QAction::triggered, this, [this, address] { ui_->ShellExecute(QStringLiteral("open"), address); });
    }

    mnuHelp = bar->addMenu(tr("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelp->addAction(mnuWebsite);
    mnuHelp->addSeparator();
    mnuHelp->addAction(mnuAbout);
}

void TfrmMain::BuildToolbar() {
    btnCutAudio = pnlToolbar->AddButton(ActCutAudio, QStringLiteral("btnCutAudio"));
    btnMergeAudio = pnlToolbar->AddButton(ActMergeAudio, QStringLiteral("btnMergeAudio"));
    btnSettings = pnlToolbar->AddButton(ActSettings, QStringLiteral("btnSettings"));
    pnlToolbar->AddStretch();
    btnWebsite = pnlToolbar->AddButton(ActWebsite, QStringLiteral("btnWebsite"));
    btnAbout = pnlToolbar->AddButton(ActAbout, QStringLiteral("btnAbout"));
}

void TfrmMain::ReportStartupError(const char* what) {
    ui_->ShowMessage(QString::fromUtf8(what), AppTitle, TMessageKind::Error);
}

void TfrmMain::Start() {
    // Components first: the settings page reads the WMA list when it shows the stored format.
    const auto step = [this](void (IComponentSet::*run)()) {
        try {
            (components_.get()->*run)();
        } catch (const std::exception& e) {
            ReportStartupError(e.what());
        }
    };
    step(&IComponentSet::CreateWmaFormatSettings);
    step(&IComponentSet::ConstructFileComponents);
    try {
        TPlayerEvents merge{[this] { if (Feed) Feed(); }, [this] { RunMergeStop(); }};
        TPlayerEvents cut{[this] { if (Feed) Feed(); }, [this] { RunCutPlay(); }};
        components_->ConstructPlayers(std::move(merge), std::move(cut));
    } catch (const std::exception& e) {
        ReportStartupError(e.what());
    }
    MergePlayIndex = -1;

    TSettingsValues values = CollectSettings();
    if (store_.Load(values))
        ApplySettings(values);

    tabSettings->SetWmaFormatList(components_->WmaFormatSettings());
    tabSettings->SelectStoredFormat();
}

void TfrmMain::ShowPage(int page) {
    if (page < pgCut || page > pgSettings)
        return;
    const bool changed = PageControl->currentIndex() != page;
    PageControl->setCurrentIndex(page);
    QAction* pages[] = {ActCutAudio, ActMergeAudio, ActSettings};
    pages[page]->setChecked(true);  // the exclusive group unchecks the other two
    if (changed) {
        StopOtherPlayback();
        emit PageChanged(page);
    }
}

bool TfrmMain::IsPlaying(IAudioPlayer* player) {
    try {
        return player && player->Playing();
    } catch (const std::exception& e) {
        ui_->ShowMessage(QString::fromUtf8(e.what()), AppTitle, TMessageKind::Error);
        return false;
    }
}

void TfrmMain::RunCutPlay() {
    try {
        if (CutPlayAction)
            CutPlayAction();
        else if (IAudioPlayer* p = components_->CutPlayer(); p && p->Playing())
            p->Stop();
    } catch (const std::exception& e) {
        ui_->ShowMessage(QString::fromUtf8(e.what()), AppTitle, TMessageKind::Error);
    }
}

void TfrmMain::RunMergeStop() {
    try {
        if (MergeStopAction)
            MergeStopAction();
        else if (IAudioPlayer* p = components_->MergePlayer())
            p->Stop();
    } catch (const std::exception& e) {
        ui_->ShowMessage(QString::fromUtf8(e.what()), AppTitle, TMessageKind::Error);
    }
}

void TfrmMain::StopOtherPlayback() {
    const int page = ShownPage();
    if (page != pgMerge && IsPlaying(components_->MergePlayer()))
        RunMergeStop();
    if (page != pgCut && IsPlaying(components_->CutPlayer()))
        RunCutPlay();  // finds the player playing, and so stops it
}

int TfrmMain::ShownPage() const { return PageControl->currentIndex(); }

bool TfrmMain::ConfigureWriter(FormatCode code) {
    if (code != fcOggVorbis && code != fcMp3 && code != fcWma && code != fcWav)
        return true;
    IWmaFormatList* wma = components_->WmaFormatSettings();
    if (code == fcWma && !wma) {
        ui_->ShowMessage(tr("The WMA format settings component is not available."), AppTitle);
        return false;
    }
    // Only a WMA configuration reads the list; the others never touch it.
    struct TNoList : IWmaFormatList {
        void SetFormatGroup(int) override {}
        int FormatCount() override { return 0; }
        void SetFormatIndex(int) override {}
        QString FormatName() override { return {}; }
    } none;
    return ::ConfigureWriter(code, params_,
                             TWriterTargets{components_->OutputWriter(), components_->WmaOutputWriter(),
                                            wma ? *wma : static_cast<IWmaFormatList&>(none)},
                             *ui_);
}

bool TfrmMain::BrowseForFolder(QString& path, const QString& title, const QString& root) {
    return ui_->ChooseFolder(path, title, root);
}

void TfrmMain::SelectTargetFolder() {
    QString path;
    if (BrowseForFolder(path, tr("Please select a target folder"), QStringLiteral("c:")))
        tabSplit->edtSplitFolder->setText(path);
}

void TfrmMain::edtFolderButtonClick() {
    QString path;
    if (BrowseForFolder(path, tr("Select Target folder"), QStringLiteral("c:")))
        tabMerge->edtFolder->setText(path);
}

TSettingsValues TfrmMain::CollectSettings() const {
    TSettingsValues v;
    v.joinFormat = tabMerge->cmbFormat->currentIndex();
    v.joinName = tabMerge->edtFilename->text();
    v.joinFolder = tabMerge->edtFolder->text();
    v.splitFolder = tabSplit->edtSplitFolder->text();
    v.promptExist = tabSettings->chkPromptexist->isChecked();
    v.showSucc = tabSettings->chkShowSucc->isChecked();
    v.openFolder = tabSettings->chkOpenDest->isChecked();
    v.copyAudio = tabSettings->chkCopyAudio->isChecked();
    v.params = params_;
    v.grid = tabMerge->ColumnLayout();
    return v;
}

void TfrmMain::ApplySettings(const TSettingsValues& v) {
    tabMerge->cmbFormat->setCurrentIndex(v.joinFormat >= 0 && v.joinFormat < tabMerge->cmbFormat->count() ? v.joinFormat
                                                                                                          : -1);
    tabMerge->edtFilename->setText(v.joinName);
    tabMerge->edtFolder->setText(v.joinFolder);
    if (v.grid)
        tabMerge->ApplyColumnLayout(*v.grid);
    tabSplit->edtSplitFolder->setText(v.splitFolder);
    tabSettings->chkPromptexist->setChecked(v.promptExist);
    tabSettings->chkShowSucc->setChecked(v.showSucc);
    tabSettings->chkOpenDest->setChecked(v.openFolder);
    tabSettings->chkCopyAudio->setChecked(v.copyAudio);
    params_ = v.params;
}

void TfrmMain::SetActionUpdate(QAction* action, std::function<bool()> update) {
    updates_[action] = std::move(update);
    action->setEnabled(updates_[action]());
}

void TfrmMain::UpdateActions() {
    // A command of the cut and merge pages is enabled by the update step its workflow
    // registers; one without an update step stays disabled rather than doing nothing.
    for (QAction* a : {ActSelectSource, ActSetStart, ActSetEnd, ActAdd, ActDelsplite, ActDelSpliteall, ActEqual, ActSplay, ActSplit,
                       ActMergeAdd, DelSelected, UpAction, DownAction, ActPrior, ActMplay, ActNext, ActMstop, ActMerge}) {
        if (updates_.find(a) == updates_.end())
            a->setEnabled(false);
    }
    for (const auto& [action, update] : updates_)
        action->setEnabled(update());
}

void TfrmMain::ShowAbout() {
    TfrmAbout about(this, *ui_);
    about.exec();
}

void TfrmMain::OpenWebsite() { ui_->ShellExecute(QStringLiteral("open"), kProductWebAddress); }

void TfrmMain::closeEvent(QCloseEvent* event) {
    // Closing is always allowed; a failed save does not keep the window open.
    if (IsPlaying(components_->MergePlayer()))
        RunMergeStop();
    try {
        store_.Save(CollectSettings());
    } catch (...) {
    }
    event->accept();
}

bool TfrmMain::event(QEvent* e) {
    if (e->type() == kCancelEvent) {
        CancelFlag = true;
        return true;
    }
    return QMainWindow::event(e);
}
