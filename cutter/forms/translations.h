// The program's translation for the user's language.
#pragma once

#include <QString>

class QLocale;
class QObject;

// The folders looked in for the program's translation (tarvelcutter_<locale>.qm), in order:
// the installed share folder (<prefix>/share/tarvelcutter/translations, from <prefix>/bin),
// then a translations folder beside the binary, as a build lays it out.
QStringList TranslationFolders(const QString& programDir);

// Installs into the running application the program's translation for `locale` from the
// first of TranslationFolders(programDir) that has one, and Qt's own translation of its
// standard texts (qtbase) for the same locale when installed. The translators are children
// of `owner`: deleting it takes them out again. Returns whether the program's own
// translation was found; without one the program shows its English texts.
bool InstallTranslations(const QLocale& locale, const QString& programDir, QObject* owner);
