// The main window: toolbar, menus, the three pages without visible tabs, and the objects
// every workflow shares (components, stored settings, cancel flag). Start() runs the
// start-up steps after the window exists; closing saves the settings. The pages see it as
// their TPageHost only.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

#include "app/ComponentSet.h"
#include "pageHost.h"
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

class TfrmMain : public QMainWindow, public TPageHost {
    Q_OBJECT
public:
    // `ui` null: real dialogs owned by this window.
    TfrmMain(std::unique_ptr<IComponentSet> components, TAppPaths paths, IUserInterface* ui = nullptr);
    ~TfrmMain() override;

    // Start-up after the window exists: the components in their order, the settings, the
    // stored page format on the settings page. Component errors are reported and skipped.
    void Start();

    void ShowPage(int page);
    // Files named at start: one is the source to cut, several go to the merge list.
    void OpenFiles(const QStringList& files);
    int ShownPage() const override;
    bool ConfigureWriter(FormatCode code) override;

    // The folder chooser of both pages.
    bool BrowseForFolder(QString& path, const QString& title, const QString& root);
    void edtFolderButtonClick() override;

    // The settings as the controls hold them, and back.
    TSettingsValues CollectSettings() const override;
    void ApplySettings(const TSettingsValues& values);

    void UpdateActions() override;
    void SetActionUpdate(QAction* action, std::function<bool()> update) override;

    TOutputParams& Params() { return params_; }
    IComponentSet& Components() override { return *components_; }
    IUserInterface& UI() override { return *ui_; }
    const TSettingsStore& Store() const { return store_; }

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
