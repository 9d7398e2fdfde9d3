// Pictures of the main window on each page and of the About box, saved into the build
// folder's "screenshots" for looking at; each must show the full client area drawn.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "aboutForm.h"
#include "browseFolder.h"
#include <QDialog>
#include "fakes.h"
#include "mainForm.h"
#include "settingsPage.h"
#include <QButtonGroup>
#include <QComboBox>
#include <QAbstractButton>
#include "registry/registry.h"

namespace {

QString ShotsDir() {
    const QString bin = qEnvironmentVariable("KEZ_BIN_DIR");
    const QString dir = (bin.isEmpty() ? QDir::tempPath() : bin + QStringLiteral("/..")) + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    return QDir(dir).absolutePath();
}

// Distinct colours in a picture: a blank or single-colour grab has very few.
int Colours(const QImage& image) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            seen.insert(image.pixel(x, y));
    return int(seen.size());
}

}  // namespace

TEST(ScreenshotTest, EachPageAndTheAboutBox) {
    QTemporaryDir dir;
    const QByteArray reg = (dir.path() + "/registry").toUtf8();
    QDir().mkpath(QString::fromUtf8(reg));
    PlatformSetRegistryDir(reg.constData());
    TAppPaths paths{dir.path(), dir.path() + "/config", QDir::homePath() + "/Music"};
    TCallLog log;
    TFakeUi ui;
    TfrmMain w(std::make_unique<TFakeComponents>(log, 40), paths, &ui);
    w.Start();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    const QString shots = ShotsDir();
    const char* names[] = {"page-cut.png", "page-merge.png", "page-settings.png"};
    for (int page = 0; page < 3; ++page) {
        w.ShowPage(page);
        QTest::qWait(20);
        const QImage image = w.grab().toImage();
        EXPECT_GE(image.width(), 732);
        EXPECT_GE(image.height(), 535);
        EXPECT_GT(Colours(image), 20) << names[page];
        EXPECT_TRUE(image.save(shots + "/" + names[page])) << names[page];
    }
    // The settings page on WMA as well.
    w.tabSettings->CheckList->button(3)->click();
    EXPECT_TRUE(w.grab().toImage().save(shots + "/page-settings-wma.png"));
    w.tabSettings->CheckList->button(2)->click();
    EXPECT_TRUE(w.grab().toImage().save(shots + "/page-settings-wav.png"));
    // Ogg Vorbis at a pair the encoder cannot honour: the note beside the bitrate.
    w.tabSettings->CheckList->button(1)->click();
    const int rate = w.tabSettings->cmbFrequency->findText(QStringLiteral("22050 Hz"));
    w.tabSettings->cmbFrequency->setCurrentIndex(rate);
    emit w.tabSettings->cmbFrequency->activated(rate);
    EXPECT_TRUE(w.grab().toImage().save(shots + "/page-settings-note.png"));

    QImage about;
    QTimer::singleShot(50, [&] {
        if (auto* box = qobject_cast<TfrmAbout*>(QApplication::activeModalWidget())) {
            about = box->grab().toImage();
            box->accept();
        }
    });
    w.ActAbout->trigger();
    ASSERT_FALSE(about.isNull());
    EXPECT_GT(Colours(about), 10);
    EXPECT_TRUE(about.save(shots + "/about.png"));

    QImage browser;
    QTimer::singleShot(200, [&] {
        if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            browser = dlg->grab().toImage();
            dlg->reject();
        }
    });
    QString folder = dir.path();
    BrowseForFolder(&w, folder, QStringLiteral("Please select a target folder"), 37, QStringLiteral("c:"));
    ASSERT_FALSE(browser.isNull());
    EXPECT_TRUE(browser.save(shots + "/browse-folder.png"));

    w.close();
    PlatformSetRegistryDir(nullptr);
}
