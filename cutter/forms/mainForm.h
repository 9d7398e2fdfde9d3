// The main window: toolbar, menus, the three pages without visible tabs, and the objects
// every workflow shares (components, stored settings, cancel flag). Start() runs the
// start-up steps after the window exists; closing saves the settings.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

#include "app/ComponentSet.h"
#include "settings/AppPaths.h"
#include "settings/OutputSettings.h"
#include "settings/settings.h"
#include "workflow/FormatCode.h"

class IUserInterface;
class QAction;
class QActionGroup;
class QMenu;
class QStackedWidget;
class QTimer;
class QToolButton;
class TCutPage;
class TMergePage;
class TSettingsPage;
class TToolbarPanel;

enum TPageIndex { pgCut = 0, pgMerge = 1, pgSettings = 2 };

// The private message the progress window's Cancel sends to the main window.
inline constexpr int WM_USER_CANCEL = 0x0400 + 1001;  // 2025

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // `ui` null: real dialogs owned by this window.
    TfrmMain(std::unique_ptr<IComponentSet> components, TAppPaths paths, IUserInterface* ui = nullptr);
    ~TfrmMain() override;

    // Start-up after the window exists: the components in their order, the settings, the
    // stored page format on the settings page. Component errors are reported and skipped.
    void Start();

    void ShowPage(int page);
    int ShownPage() const;

    // Hands the stored parameters to the writer of `code` (false after an error, which is
    // shown); called before every Create of a writer.
    bool ConfigureWriter(FormatCode code);

    // The folder chooser of both pages.
    bool BrowseForFolder(QString& path, const QString& title, const QString& root);
    // The merge page's folder button: a chosen folder goes into its target folder.
    void edtFolderButtonClick();

    // The settings as the controls hold them, and back.
    TSettingsValues CollectSettings() const;
    void ApplySettings(const TSettingsValues& values);

    // Re-evaluates the enabling of the actions (run when the interface is idle).
    void UpdateActions();
    // Gives an action its update step: enabled exactly while `update` answers true.
    void SetActionUpdate(QAction* action, std::function<bool()> update);

    TOutputParams& Params() { return params_; }
    IComponentSet& Components() { return *components_; }
    IUserInterface& UI() { return *ui_; }
    const TSettingsStore& Store() const { return store_; }

    // The page workflows' commands that the frame runs: the cut page's Play action (which
    // stops a playing source), the merge page's Stop action, and the feed that answers the
    // end of a played block. Until a workflow sets them, the first two stop the player.
    std::function<void()> CutPlayAction;
    std::function<void()> MergeStopAction;
    std::function<void()> Feed;

    // Shared job state.
    bool CancelFlag = false;
    int MergePlayIndex = -1;  // row of the merge list being played; -1 none

    // Frame.
    TToolbarPanel* pnlToolbar = nullptr;
    QToolButton* btnCutAudio = nullptr;
    QToolButton* btnMergeAudio = nullptr;
    QToolButton* btnSettings = nullptr;
    QToolButton* btnWebsite = nullptr;
    QToolButton* btnAbout = nullptr;
    QStackedWidget* PageControl = nullptr;
    TCutPage* tabSplit = nullptr;
    TMergePage* tabMerge = nullptr;
    TSettingsPage* tabSettings = nullptr;

    // Menus and actions.
    QMenu* mnuFiles = nullptr;
    QMenu* mnuCut = nullptr;
    QMenu* mnuMerge = nullptr;
    QMenu* mnuSoftware = nullptr;
    QMenu* mnuHelp = nullptr;
    QActionGroup* grpPages = nullptr;
    QAction* ActCutAudio = nullptr;
    QAction* ActMergeAudio = nullptr;
    QAction* ActSettings = nullptr;
    QAction* ActExit = nullptr;
    QAction* ActWebsite = nullptr;
    QAction* ActAbout = nullptr;
    QAction* mnuWebsite = nullptr;
    QAction* mnuAbout = nullptr;
    // Cut menu.
    QAction* ActSelectSource = nullptr;
    QAction* ActSelectTarget = nullptr;
    QAction* ActSetStart = nullptr;
    QAction* ActSetEnd = nullptr;
    QAction* ActAdd = nullptr;
    QAction* ActDelsplite = nullptr;
    QAction* ActDelSpliteall = nullptr;  // on the Delete button's menu only
    QAction* ActEqual = nullptr;
    QAction* ActSplay = nullptr;
    QAction* ActSplit = nullptr;
    // Merge menu.
    QAction* ActMergeAdd = nullptr;
    QAction* DelSelected = nullptr;
    QAction* UpAction = nullptr;
    QAction* DownAction = nullptr;
    QAction* ActPrior = nullptr;
    QAction* ActMplay = nullptr;
    QAction* ActNext = nullptr;
    QAction* ActMstop = nullptr;
    QAction* ActMerge = nullptr;

signals:
    void PageChanged(int page);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void BuildActions();
    void BuildMenus();
    void BuildToolbar();
    void ShowAbout();
    void OpenWebsite();
    void SelectTargetFolder();
    void ReportStartupError(const char* what);
    void RunCutPlay();
    void RunMergeStop();
    bool IsPlaying(IAudioPlayer* player);
    void StopOtherPlayback();

    std::unique_ptr<IComponentSet> components_;
    std::unique_ptr<IUserInterface> ownUi_;
    IUserInterface* ui_;
    TSettingsStore store_;
    TOutputParams params_;
    QTimer* idle_ = nullptr;
    std::map<QAction*, std::function<bool()>> updates_;
};
