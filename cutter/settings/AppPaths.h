// Where the program finds its folders: its own (for "grid.ini"), the user's configuration
// folder (for "grid.ini" when the program's folder is not writable) and the user's music
// folder (the default target folder). Tests put temporary folders in their place.
#pragma once

#include <QString>

struct TAppPaths {
    QString programDir;
    QString configDir;
    QString musicDir;
};

// The program's folder (empty once installed: nothing is written beside the binary),
// <config>/TarvelCutter and the user's music folder (~/Music when the desktop names none).
// Needs a QCoreApplication.
TAppPaths DefaultAppPaths();

// The "grid.ini" to load: the one beside the program, else the one in the configuration
// folder; empty when neither exists.
QString GridIniToLoad(const TAppPaths& paths);
