// The program's translation: a language compiled by lrelease at test time is found where an
// installation or a build keeps it, and the main window shows its texts; with no language for
// the locale the English texts stay.
#include "translations.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "cutPage.h"
#include "fakes.h"
#include "mainForm.h"
#include "registry/registry.h"

namespace {

// Compiles a language with the Cut menu and the "Cut Now!" button translated into `qm`.
bool CompileLanguage(const QString& lrelease, const QString& ts, const QString& qm) {
    QFile f(ts);
    if (!f.open(QIODevice::WriteOnly)) return false;
    f.write(R"(<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="eo">
<context><name>TfrmMain</name>
<message><source>Cut</source><translation>Tondi</translation></message>
</context>
<context><name>TCutPage</name>
<message><source>Cut Now!</source><translation>Tondi nun!</translation></message>
</context>
</TS>
)");
    f.close();
    return QProcess::execute(lrelease, {QStringLiteral("-silent"), ts, QStringLiteral("-qm"), qm}) == 0 &&
           QFile::exists(qm);
}

struct Shown {
    QString cutMenu, cutButton;
};

Shown ShownTexts(const QString& programDir) {
    TCallLog log;
    TFakeUi ui;
    TAppPaths paths;
    paths.programDir = programDir;
    paths.configDir = programDir + QStringLiteral("/config");
    paths.musicDir = programDir + QStringLiteral("/Music");
    TfrmMain w(std::make_unique<TFakeComponents>(log, 40), paths, &ui);
    w.Start();
    return {w.mnuCut->title(), w.tabSplit->btnSplit->text()};
}

TEST(TranslationsTest, MainWindowShowsTheLanguageFoundForTheLocale) {
    const QString lrelease =
        QStandardPaths::findExecutable(QStringLiteral("lrelease"), {QStringLiteral("/usr/lib/qt6/bin")});
    if (lrelease.isEmpty()) GTEST_SKIP() << "lrelease (qt6-l10n-tools) is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray registry = (dir.path() + QStringLiteral("/registry")).toUtf8();
    QDir().mkpath(QString::fromUtf8(registry));
    PlatformSetRegistryDir(registry.constData());
    const QString bin = dir.path() + QStringLiteral("/bin");
    const QString build = bin + QStringLiteral("/translations");
    const QString installed = dir.path() + QStringLiteral("/share/tarvelcutter/translations");
    for (const QString& d : {build, installed}) ASSERT_TRUE(QDir().mkpath(d));
    ASSERT_TRUE(CompileLanguage(lrelease, dir.path() + QStringLiteral("/eo.ts"),
                                build + QStringLiteral("/tarvelcutter_eo.qm")));

    const QLocale esperanto(QLocale::Esperanto);
    struct Row {
        const char* what;
        QLocale locale;
        bool found;
        const char* cutMenu;
        const char* cutButton;
    } rows[] = {
        {"build layout", esperanto, true, "Tondi", "Tondi nun!"},
        {"no language for the locale", QLocale(QLocale::German, QLocale::Germany), false, "Cut", "Cut Now!"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        QObject owner;
        EXPECT_EQ(InstallTranslations(r.locale, bin, &owner), r.found);
        const Shown shown = ShownTexts(bin);
        EXPECT_EQ(shown.cutMenu, QString::fromUtf8(r.cutMenu));
        EXPECT_EQ(shown.cutButton, QString::fromUtf8(r.cutButton));
    }

    // Installed, the language sits in the share folder beside bin; once its owner is gone the
    // English texts are back.
    ASSERT_TRUE(QFile::rename(build + QStringLiteral("/tarvelcutter_eo.qm"),
                              installed + QStringLiteral("/tarvelcutter_eo.qm")));
    {
        QObject owner;
        EXPECT_TRUE(InstallTranslations(esperanto, bin, &owner));
        EXPECT_EQ(ShownTexts(bin).cutButton, QStringLiteral("Tondi nun!"));
    }
    EXPECT_EQ(ShownTexts(bin).cutMenu, QStringLiteral("Cut"));
    PlatformSetRegistryDir(nullptr);
}

}  // namespace
