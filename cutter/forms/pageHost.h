// What the pages, their parts and the progress window need of the window that hosts them:
// the enabling of actions, the settings as the controls hold them, the page shown, the
// components, the user interface, the writer configuration and the cancel message. The
// main window implements it; the pages include this header, never the main window's.
#pragma once

#include <functional>

#include "settings/settings.h"
#include "workflow/FormatCode.h"

class IComponentSet;
class IUserInterface;
class QAction;
class QMenu;
class QWidget;

enum TPageIndex { pgCut = 0, pgMerge = 1, pgSettings = 2 };

// The private message the progress window's Cancel posts to the host window, which then
// sets CancelFlag.
inline constexpr int WM_USER_CANCEL = 0x0400 + 1001;  // 2025

class TPageHost {
public:
    // `window`: the host as a window. Kept here, not asked for virtually: the window deletes
    // its children after the host's own part is gone, and they may still reach for it.
    explicit TPageHost(QWidget* window) : window_(window) {}
    virtual ~TPageHost() = default;

    // The host as a window: parent of dialogs, target of the cancel message.
    QWidget* HostWindow() const { return window_; }
    virtual int ShownPage() const = 0;

    // Hands the stored parameters to the writer of `code` (false after an error, which is
    // shown); called before every Create of a writer.
    virtual bool ConfigureWriter(FormatCode code) = 0;
    // The merge page's folder button: a chosen folder goes into its target folder.
    virtual void edtFolderButtonClick() = 0;
    // The settings as the controls hold them.
    virtual TSettingsValues CollectSettings() const = 0;

    // Re-evaluates the enabling of the actions (run when the interface is idle).
    virtual void UpdateActions() = 0;
    // Gives an action its update step: enabled exactly while `update` answers true.
    virtual void SetActionUpdate(QAction* action, std::function<bool()> update) = 0;

    virtual IComponentSet& Components() = 0;
    virtual IUserInterface& UI() = 0;

    // The page workflows' commands that the host runs: the cut page's Play action (which
    // stops a playing source), the merge page's Stop action, and the feed that answers the
    // end of a played block. Until a workflow sets them, the first two stop the player.
    std::function<void()> CutPlayAction;
    std::function<void()> MergeStopAction;
    std::function<void()> Feed;

    // Shared job state.
    bool CancelFlag = false;
    int MergePlayIndex = -1;  // row of the merge list being played; -1 none

    // The Cut and Merge menus' commands: made by the host, bound by the pages.
    QMenu* mnuCut = nullptr;
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
    QAction* ActMergeAdd = nullptr;
    QAction* DelSelected = nullptr;
    QAction* UpAction = nullptr;
    QAction* DownAction = nullptr;
    QAction* ActPrior = nullptr;
    QAction* ActMplay = nullptr;
    QAction* ActNext = nullptr;
    QAction* ActMstop = nullptr;
    QAction* ActMerge = nullptr;

private:
    QWidget* window_;
};
