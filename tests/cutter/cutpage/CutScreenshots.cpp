// Pictures of the cut page (a source loaded, several rows, both marker lines shown) and of
// the progress window during a cut, saved into the build's screenshots folder for a look
// by eye. Checks that they were made.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QSlider>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include "FakeAudio.h"
#include "cutPage.h"
#include "fakes.h"
#include "mainForm.h"
#include "progressForm.h"
#include "registry/registry.h"

TEST(CutScreenshots, PageAndProgress) {
    QTemporaryDir dir;
    const QByteArray registry = (dir.path() + "/registry").toUtf8();
    QDir().mkpath(QString::fromUtf8(registry));
    PlatformSetRegistryDir(registry.constData());
    TCallLog log;
    TFakeUi ui;
    TfrmMain w(std::make_unique<TFakeComponents>(log, 4), {dir.path(), dir.path() + "/config", dir.path() + "/Music"},
               &ui);
    w.Start();
    TCutPage* page = w.tabSplit;

    // A slow reader, so the progress window is seen during the job.
    struct SlowReader : fakes::FakeReader {
        workflow::StreamInfo Info() override { return {100, 1, 8, 1.0, size, size}; }
    } reader;
    fakes::FakeWriter writer;
    fakes::FakeTags tags;
    const QString source = dir.filePath("Live at the Harbour.mp3");
    {
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    reader.durations[source] = 754005;
    TCutServices s;
    s.readInfo = [](const QString&, workflow::FormatCode) {
        TSourceInfo i;
        i.duration = 754005;
        i.bitrate = 192;
        i.channels = 3;
        i.sampleRate = 44100;
        i.size = 18096120;
        return i;
    };
    s.readTags = [](const QString&, workflow::FormatCode) {
        return workflow::SourceTags{"Harbour Set", "The Players", "Live", "Jazz", "2024"};
    };
    s.job = {&reader, &reader, &writer, &writer, &tags, {}, {}};
    page->SetServices(s);

    w.show();
    ASSERT_TRUE(page->LoadSource(source));
    const int marks[][2] = {{0, 180000}, {180000, 371500}, {371500, 600250}};
    for (const auto& m : marks) {
        page->TrackBar->setValue(m[0]);
        w.ActSetStart->trigger();
        page->TrackBar->setValue(m[1]);
        w.ActSetEnd->trigger();
        w.ActAdd->trigger();
    }
    page->Segments.SetText(1, workflow::colFormat, "Ogg Vorbis");
    page->Segments.SetText(2, workflow::colFormat, "WAV");
    page->TrackBar->setValue(420000);
    page->gridSplit->selectRow(1);
    page->edtSplitFolder->setText(dir.filePath("cuts"));
    w.UpdateActions();
    QApplication::processEvents();

    const QString folder = qEnvironmentVariable("KEZ_BIN_DIR") + "/../screenshots";
    QDir().mkpath(folder);
    ASSERT_TRUE(w.grab().save(folder + "/cut_page.png"));

    // The progress window, grabbed from inside the job once the first file is under way.
    bool grabbed = false;
    auto* watcher = new QTimer(&w);
    watcher->setInterval(1);
    QObject::connect(watcher, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<Tfrmprogress*>(top); p && p->isVisible() && !grabbed && p->pbFile->value() >= 40) {
                grabbed = p->grab().save(folder + "/cut_progress.png");
                w.CancelFlag = true;
            }
    });
    page->MakeHost = nullptr;
    watcher->start();
    w.ActSplit->trigger();
    watcher->stop();
    EXPECT_TRUE(grabbed);
    PlatformSetRegistryDir(nullptr);
}
