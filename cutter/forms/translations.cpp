#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

bool Install(const QLocale& locale, const QString& name, const QString& folder, QObject* owner) {
    auto* translator = new QTranslator(owner);
    if (!translator->load(locale, name, QStringLiteral("_"), folder) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

}  // namespace

QStringList TranslationFolders(const QString& programDir) {
    return {programDir + QStringLiteral("/../share/tarvelcutter/translations"),
            programDir + QStringLiteral("/translations")};
}

bool InstallTranslations(const QLocale& locale, const QString& programDir, QObject* owner) {
    Install(locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath), owner);
    for (const QString& folder : TranslationFolders(programDir))
        if (Install(locale, QStringLiteral("tarvelcutter"), folder, owner)) return true;
    return false;
}
