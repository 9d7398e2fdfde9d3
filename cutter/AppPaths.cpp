#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

TAppPaths DefaultAppPaths() {
    TAppPaths p;
    p.programDir = QCoreApplication::applicationDirPath();
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
