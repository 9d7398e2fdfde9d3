// Pictures of the merge page with listed files (one playing) and of the merge progress
// window, saved into the build folder for a look by eye. Checks that they were made.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include "FakeAudio.h"
#include "FakeMedia.h"
#include "fakes.h"
#include "mainForm.h"
#include "mergePage.h"
#include "registry/registry.h"

TEST(MergeScreenshots, PageAndProgress) {
    QTemporaryDir dir;
    const QByteArray registry = (dir.path() + "/registry").toUtf8();
    QDir().mkpath(QString::fromUtf8(registry));
    PlatformSetRegistryDir(registry.constData());
    TCallLog log;
    TFakeUi ui;
    auto components = std::make_unique<TFakeComponents>(log, 4);
    TfrmMain w(std::move(components), {dir.path(), dir.path() + "/config", dir.path() + "/Music"}, &ui);
    w.Start();
    FakeMedia media;
    fakes::FakeReader reader;
    fakes::FakeWriter writer;
    fakes::FakeTags tags;
    TMergeServices s;
    s.media = &media;
    s.job = {&reader, &reader, &writer, &writer, &tags, {}, {}};
    w.tabMerge->SetServices(s);
    QStringList paths;
    const char* names[] = {"01 Opening.mp3", "02 Second theme.ogg", "03 Interlude.wav", "04 Finale.wma"};
    for (int i = 0; i < 4; ++i) {
        const QString path = dir.filePath(names[i]);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("x");
        workflow::MediaFacts m;
        m.formatTag = (int[]){85, 26447, 1, 111}[i];
        m.duration = 60000 * (i + 2) + 250;
        m.size = 1500000LL * (i + 1);
        m.sampleRate = 44100;
        m.bitrate = 192;
        m.channels = 2;
        m.title = QString(names[i]).mid(3).section('.', 0, 0);
        m.artist = "The Players";
        m.album = "Live";
        m.track = i + 1;
        m.year = 2024;
        m.genre = "Classical";
        media.first[path] = m;
        reader.durations[path] = 4000000;
        paths << path;
    }
    w.ShowPage(pgMerge);
    w.tabMerge->AddFiles(paths);
    w.tabMerge->edtFolder->setText(dir.filePath("out"));
    w.tabMerge->cmbFormat->setCurrentIndex(0);
    w.tabMerge->GridView->selectRow(1);
    w.UpdateActions();
    w.ActMplay->trigger();
    w.show();
    QApplication::processEvents();
    const QString bin = qEnvironmentVariable("KEZ_BIN_DIR");
    const QString page = bin + "/merge_page.png";
    ASSERT_TRUE(w.grab().save(page));

    // The progress window, grabbed from inside the job after the first file.
    QString progress = bin + "/merge_progress.png";
    bool grabbed = false;
    w.tabMerge->MakeHost = nullptr;
    QTimer::singleShot(0, [] {});
    auto* watcher = new QTimer(&w);
    watcher->setInterval(1);
    QObject::connect(watcher, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == "frmProgress" && top->isVisible() && !grabbed) {
                grabbed = top->grab().save(progress);
                w.CancelFlag = true;
            }
    });
    watcher->start();
    w.UpdateActions();
    w.ActMerge->trigger();
    watcher->stop();
    EXPECT_TRUE(grabbed);
    PlatformSetRegistryDir(nullptr);
}
