#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

TAppPaths DefaultAppPaths() {
    TAppPaths p;
    p.programDir = QCoreApplication::applicationDirPath();
    // An installed program keeps its libraries in a private folder and writes nothing beside
    // its binary; a build keeps everything in one folder, and grid.ini may sit there.
    if (!QFileInfo::exists(p.programDir + QStringLiteral("/libplatform.so")))
        p.programDir.clear();
    p.configDir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/TarvelCutter");
    p.musicDir = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (p.musicDir.isEmpty() || p.musicDir == QDir::homePath())
        p.musicDir = QDir::homePath() + QStringLiteral("/Music");
    return p;
}

QString GridIniToLoad(const TAppPaths& paths) {
    for (const QString& dir : {paths.programDir, paths.configDir}) {
        if (dir.isEmpty())
            continue;
        const QString file = dir + QStringLiteral("/grid.ini");
        if (QFileInfo(file).isFile())
            return file;
    }
    return {};
}
