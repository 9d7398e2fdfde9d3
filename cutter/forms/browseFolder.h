// The folder chooser shared by the cut and merge pages.
#pragma once

#include <QString>

class QWidget;

// Folder-browser flags, as the pages pass them (37: file-system folders only, with a
// status line, validated).
inline constexpr unsigned BIF_RETURNONLYFSDIRS = 0x0001;
inline constexpr unsigned BIF_STATUSTEXT = 0x0004;
inline constexpr unsigned BIF_VALIDATE = 0x0020;

// Shows the folder browser owned by `owner`, offering `root` and the folders below it
// ("c:" names the file system's root), with `path` selected when it opens and the selected
// folder's path as its status line. On confirmation `path` receives the chosen folder and
// the answer is true; cancelling leaves `path` alone.
bool BrowseForFolder(QWidget* owner, QString& path, const QString& title, unsigned flags, const QString& root);

// The folder a root text names: "c:" (any case, with or without a trailing separator)
// and an empty text give "/", any other existing folder itself, anything else "/".
QString FolderBrowserRoot(const QString& root);
