// The cut page's waveform on the program's registered components and real media: the
// overview of a file with known silence and its cache, the waveform window, the keys, the
// play cursor on a PulseAudio null sink, Play Segment's last frame, the question before
// a new source discards the rows, and screenshots for a look by eye.
#include <gtest/gtest.h>

#include <optional>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cmath>
#include <cstring>

#include "FakeAudio.h"
#include "TestMedia.h"
#include "TestRegistry.h"
#include "app/JobAdapters.h"
#include "app/ProgramComponents.h"
#include "cutPage.h"
#include "cutPlayback.h"
#include "cutWaveform.h"
#include "fakes.h"
#include "mainForm.h"
#include "mergePage.h"
#include "waveTrackBar.h"
#include "waveView.h"
#include "waveformForm.h"
#include "workflow/PcmBlock.h"

namespace {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(2);
    }
    return done();
}

// 6 s of 44.1 kHz stereo: a loud tone, 2 s of digital silence from 2 s on, the tone again.
QString QuietMiddleWav(const QString& dir) {
    const int rate = 44100, frames = rate * 6;
    QByteArray pcm(frames * 4, '\0');
    for (int f = 0; f < frames; ++f) {
        const bool quiet = f >= 2 * rate && f < 4 * rate;
        const auto v = std::int16_t(quiet ? 0 : 24000 * std::sin(2 * M_PI * 440.0 * f / rate));
        std::memcpy(pcm.data() + f * 4, &v, 2);
        std::memcpy(pcm.data() + f * 4 + 2, &v, 2);
    }
    QByteArray h;
    const auto u32 = [&](quint32 v) { h.append(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&](quint16 v) { h.append(reinterpret_cast<const char*>(&v), 2); };
    h += "RIFF";
    u32(36 + pcm.size());
    h += "WAVEfmt ";
    u32(16), u16(1), u16(2), u32(rate), u32(rate * 4), u16(4), u16(16);
    h += "data";
    u32(pcm.size());
    const QString path = dir + "/quiet.wav";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(h + pcm) != h.size() + pcm.size()) return {};
    return path;
}

class Waveform : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        registry_.emplace(dir_.path());
        registry_->RegisterProgramComponents();
        Open();
        wav_ = QuietMiddleWav(dir_.path());
        ASSERT_FALSE(wav_.isEmpty());
        ASSERT_EQ(testmedia::Run("ffmpeg -v error -y -i " + testmedia::Quote(wav_.toStdString()) +
                                 " -c:a libmp3lame -b:a 192k " + testmedia::Quote(dir_.filePath("quiet.mp3").toStdString())),
                  0);
        mp3_ = dir_.filePath("quiet.mp3");
    }
    void Open() {
        w_ = std::make_unique<TfrmMain>(CreateProgramComponents(),
                                        TAppPaths{dir_.path(), dir_.path() + "/config", dir_.path() + "/Music"}, &ui_);
        w_->Start();
        page_ = w_->tabSplit;
        wave_ = page_->findChild<TCutWaveform*>();
        ASSERT_NE(wave_, nullptr);
        wave_->SetCacheDir(dir_.filePath("cache"));
        page_->MakeHost = [this] { return &host_; };
        w_->show();
        w_->activateWindow();
        QApplication::setActiveWindow(w_.get());
    }
    void Load(const QString& path) {
        ASSERT_TRUE(page_->LoadSource(path));
        w_->UpdateActions();
        ASSERT_TRUE(WaitUntil([&] { return wave_->Peaks().complete; }, 30000)) << "the peaks never completed";
        for (const auto& m : ui_.messages) ADD_FAILURE() << m.text.toStdString();
    }
    void TearDown() override {
        w_.reset();
        registry_.reset();
    }

    QTemporaryDir dir_;
    std::optional<TTestRegistry> registry_;
    TFakeUi ui_;
    fakes::FakeHost host_;
    std::unique_ptr<TfrmMain> w_;
    TCutPage* page_ = nullptr;
    TCutWaveform* wave_ = nullptr;
    QString wav_, mp3_;
};

// Pixels of the wave's colour in a column, more than two rows away from the centre line.
int WavePixels(const QImage& img, int x) {
    int n = 0;
    const int mid = img.height() / 2;
    for (int y = 0; y < img.height(); ++y)
        if (std::abs(y - mid) > 2 && img.pixelColor(x, y) == wavecolors::kWave) ++n;
    return n;
}

TEST_F(Waveform, OverviewShowsTheSilenceAndASecondOpenComesFromTheCache) {
    Load(mp3_);
    auto* bar = qobject_cast<TWaveTrackBar*>(page_->TrackBar);
    ASSERT_NE(bar, nullptr);
    page_->TrackBar->setValue(page_->TrackBar->maximum());  // the handle out of the way
    const QImage img = bar->grab().toImage();
    const QRect area = bar->WaveArea();
    const auto column = [&](double ms) { return area.left() + int(ms / bar->MsPerPixel()); };
    for (double ms : {300.0, 1000.0, 1700.0, 4300.0, 5000.0})
        EXPECT_GT(WavePixels(img, column(ms)), area.height() / 3) << ms;
    for (double ms : {2300.0, 3000.0, 3700.0}) EXPECT_EQ(WavePixels(img, column(ms)), 0) << ms;

    const std::vector<std::int16_t> lo = wave_->Peaks().lo;
    ASSERT_TRUE(page_->LoadSource(mp3_));
    EXPECT_FALSE(wave_->Building());  // no slice needed: the cached entry
    EXPECT_TRUE(wave_->Peaks().complete);
    EXPECT_EQ(wave_->Peaks().lo, lo);

    // A damaged entry is rebuilt to the same peaks.
    const QString entry = workflow::PeakCache(dir_.filePath("cache")).EntryPath(mp3_);
    QFile f(entry);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(100));
    ASSERT_EQ(f.write("garbage"), 7);
    f.close();
    ASSERT_TRUE(page_->LoadSource(mp3_));
    EXPECT_TRUE(wave_->Building());
    ASSERT_TRUE(WaitUntil([&] { return wave_->Peaks().complete; }, 30000));
    EXPECT_EQ(wave_->Peaks().lo, lo);
}

TEST_F(Waveform, WindowClickDragZoomAndItsPlaceOnTheScreen) {
    Load(wav_);
    w_->findChild<QAction*>("ActWaveform")->trigger();
    TfrmWaveform* win = wave_->Window();
    ASSERT_NE(win, nullptr);
    win->resize(1000, 300);
    QApplication::processEvents();
    TWaveView* view = win->View;
    view->ZoomAll();

    // A click: the track bar and the boxes go to the time under the mouse.
    const int x = view->width() * 3 / 4;
    const auto expected = std::llround(view->MsAt(x));
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(x, view->height() / 2));
    EXPECT_EQ(page_->TrackBar->value(), expected);
    EXPECT_EQ(page_->spSecond->value(), int(expected / 1000 % 60));
    EXPECT_EQ(page_->spMSec->value(), int(expected % 1000));

    // A drag selects; Add makes a row of the selection.
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, 50));
    QTest::mouseMove(view, QPoint(200, 50));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(300, 50));
    ASSERT_TRUE(win->btnSelAdd->isEnabled());
    win->btnSelAdd->click();
    ASSERT_EQ(page_->Segments.rowCount(), 1);
    EXPECT_EQ(page_->Segments.ReadTime(workflow::colStart, 0), std::llround(view->MsAt(100)));
    EXPECT_EQ(page_->Segments.ReadTime(workflow::colEnd, 0), std::llround(view->MsAt(300)));

    // Keys: Ctrl+plus zooms in to single samples at most, the arrows scroll.
    view->setFocus();
    const double wide = view->MsPerPixel();
    QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(view->MsPerPixel(), wide / 2);
    for (int i = 0; i < 30; ++i) QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(view->MsPerPixel(), view->FinestMsPerPixel());
    const double from = view->FromMs();
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_GT(view->FromMs(), from);
    QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(view->MsPerPixel(), view->FinestMsPerPixel() * 2);

    // Closed and opened again by a new window of the program: the same place.
    win->setGeometry(40, 50, 700, 260);
    win->close();
    w_.reset();
    Open();
    Load(wav_);
    wave_->ShowWindow();
    ASSERT_NE(wave_->Window(), nullptr);
    EXPECT_EQ(wave_->Window()->geometry().size(), QSize(700, 260));
}

TEST_F(Waveform, KeysAndThePlayCursorOnTheNullSink) {
    Load(wav_);
    page_->edtSplitFolder->setText(dir_.filePath("cuts"));
    QSlider* bar = page_->TrackBar;
    bar->setFocus();
    bar->setValue(1000);
    QTest::keyClick(bar, Qt::Key_I);
    EXPECT_EQ(page_->Segments.StartMark(), 1000);
    EXPECT_TRUE(page_->LineStart->isVisible());
    bar->setValue(2500);
    QTest::keyClick(bar, Qt::Key_O);
    EXPECT_EQ(page_->Segments.EndMark(), 2500);
    QTest::keyClick(bar, Qt::Key_Return);
    ASSERT_EQ(page_->Segments.rowCount(), 1);
    EXPECT_EQ(page_->Segments.Text(0, workflow::colStart), "00:01.000");

    // Typing into a text box stays typing.
    page_->edtSplitFolder->setFocus();
    QTest::keyClick(page_->edtSplitFolder, Qt::Key_I);
    QTest::keyClick(page_->edtSplitFolder, Qt::Key_Space);
    EXPECT_EQ(page_->edtSplitFolder->text(), dir_.filePath("cuts") + "i ");
    EXPECT_EQ(page_->Segments.StartMark(), 1000);
    page_->edtSplitFolder->setText(dir_.filePath("cuts"));

    // Space plays from the handle; the cursor moves, the handle does not.
    bar->setFocus();
    bar->setValue(500);
    QTest::keyClick(bar, Qt::Key_Space);
    ASSERT_TRUE(page_->Playback->Playing());
    ASSERT_TRUE(WaitUntil([&] { return wave_->Cursor() > 600; }, 5000));
    const std::int64_t first = wave_->Cursor();
    ASSERT_TRUE(WaitUntil([&] { return wave_->Cursor() > first; }, 5000));
    EXPECT_EQ(bar->value(), 500);
    QTest::keyClick(bar, Qt::Key_Space);
    EXPECT_FALSE(page_->Playback->Playing());
    EXPECT_EQ(wave_->Cursor(), -1);

    int chosen = 0;
    page_->ChooseSource = [&] {
        ++chosen;
        return QString();
    };
    QTest::keyClick(bar, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(chosen, 1);
    QTest::keyClick(bar, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(QFileInfo::exists(dir_.filePath("cuts/quiet_1.mp3")));
    // The menus show the keys; another page has no use for them.
    EXPECT_EQ(w_->ActSetStart->shortcut(), QKeySequence(Qt::Key_I));
    w_->ShowPage(pgMerge);
    bar->setValue(4000);
    QTest::keyClick(w_->tabMerge, Qt::Key_I);
    EXPECT_EQ(page_->Segments.StartMark(), 1000);
}

TEST_F(Waveform, ANewSourceAsksBeforeTheRowsGo) {
    Load(wav_);
    w_->ActAdd->trigger();
    ASSERT_EQ(page_->Segments.rowCount(), 1);
    page_->ChooseSource = [&] { return mp3_; };
    ui_.answer = false;
    w_->ActSelectSource->trigger();
    ASSERT_EQ(ui_.questions.size(), 1);
    EXPECT_TRUE(ui_.questions[0].contains("1 row"));
    EXPECT_EQ(page_->Segments.rowCount(), 1);
    EXPECT_EQ(page_->edtSourceFile->text(), wav_);
    ui_.answer = true;
    w_->ActSelectSource->trigger();
    EXPECT_EQ(page_->edtSourceFile->text(), mp3_);
    EXPECT_EQ(page_->Segments.rowCount(), 0);
    // No rows: nothing to ask.
    w_->ActSelectSource->trigger();
    EXPECT_EQ(ui_.questions.size(), 2);
}

// Play Segment hands the player the row's frames and not one past its end.
TEST(WaveformPlaySegment, ThePlayerGetsExactlyTheRowsFrames) {
    QTemporaryDir dir;
    TTestRegistry registry(dir.path());
    registry.Register("KezAudioFile3");
    testmedia::WavSpec shape;
    shape.seconds = 4.0;
    shape.noise = true;
    const QString wav = QString::fromStdString(testmedia::MakeWav(dir.path().toStdString(), "noise.wav", shape));
    const std::vector<std::uint8_t> samples = testmedia::WavSamples(shape);

    TCallLog log;
    TFakeUi ui;
    auto components = std::make_unique<TFakeComponents>(log, 1);
    TFakeComponents* fake = components.get();
    TfrmMain w(std::move(components), {dir.path(), dir.path() + "/config", dir.path() + "/Music"}, &ui);
    w.Start();
    TAudioFile3 file;
    TFileReaderAdapter reader(file);
    TCutServices s;
    s.readInfo = [](const QString&, workflow::FormatCode) {
        TSourceInfo i;
        i.duration = 4000;
        return i;
    };
    s.job.reader = &reader;
    s.job.wmaReader = &reader;
    w.tabSplit->SetServices(s);
    ASSERT_TRUE(w.tabSplit->LoadSource(wav));
    w.tabSplit->Segments.AppendRow(1000, 2500);
    w.tabSplit->gridSplit->selectRow(0);
    w.UpdateActions();

    std::int64_t frames = 0;
    bool firstMatches = false;
    fake->Cut().onArray = [&](const VARIANT& block) {
        workflow::WithSamples(block, [&](const workflow::PcmFormat& f, const std::uint8_t* p, std::int64_t n) {
            if (frames == 0) firstMatches = std::memcmp(p, &samples[44100 * 4], 4) == 0;
            frames += n;
            EXPECT_EQ(f.sampleRate, 44100);
        });
    };
    QAction* play = w.findChild<QAction*>("ActPlaySegment");
    ASSERT_TRUE(play && play->isEnabled());
    play->trigger();
    for (int i = 0; i < 10; ++i) w.Feed();  // the player's end-of-block events
    EXPECT_EQ(frames, 66150);  // 1.000 s to 2.500 s at 44.1 kHz
    EXPECT_TRUE(firstMatches);
    ASSERT_TRUE(fake->Cut().playing);
    fake->Cut().events.OnEndPlay();
    EXPECT_EQ(w.tabSplit->btnSplitPlay->text(), "Play");
}

TEST_F(Waveform, Screenshots) {
    // Speech from a real synthesizer through a real encoder: a waveform with pauses.
    const std::string wav = dir_.filePath("speech.wav").toStdString(), mp3 = dir_.filePath("speech.mp3").toStdString();
    ASSERT_EQ(testmedia::Run("espeak-ng -s 150 -w " + testmedia::Quote(wav) +
                             " 'Seeing where to cut. A waveform, a play cursor, and segments you can hear before you cut them.'"),
              0);
    ASSERT_EQ(testmedia::Run("lame --quiet -V 2 " + testmedia::Quote(wav) + " " + testmedia::Quote(mp3)), 0);
    Load(QString::fromStdString(mp3));
    const int d = page_->TrackBar->maximum();
    const int marks[][2] = {{d * 2 / 100, d * 22 / 100}, {d * 25 / 100, d * 52 / 100}, {d * 56 / 100, d * 97 / 100}};
    for (const auto& m : marks) {
        page_->TrackBar->setValue(m[0]);
        w_->ActSetStart->trigger();
        page_->TrackBar->setValue(m[1]);
        w_->ActSetEnd->trigger();
        w_->ActAdd->trigger();
    }
    page_->Segments.SetChecked(1, false);
    page_->TrackBar->setValue(d * 40 / 100);
    page_->gridSplit->selectRow(2);
    page_->edtSplitFolder->setText(dir_.filePath("cuts"));
    w_->UpdateActions();
    QApplication::processEvents();
    QString folder = qEnvironmentVariable("KEZ_BIN_DIR") + "/../screenshots";
    QDir().mkpath(folder);
    ASSERT_TRUE(w_->grab().save(folder + "/cut_page_waveform.png"));

    wave_->ShowWindow();
    TfrmWaveform* win = wave_->Window();
    win->resize(960, 300);
    QApplication::processEvents();
    win->View->ZoomAll();
    QApplication::processEvents();
    ASSERT_TRUE(win->grab().save(folder + "/waveform_window_all.png"));
    // Zoomed in around the start of the third row, then down to single samples.
    win->View->Zoom(16.0, 0);
    win->View->ScrollTo(marks[2][0] - 120.0);
    QApplication::processEvents();
    ASSERT_TRUE(win->grab().save(folder + "/waveform_window_zoomed.png"));
    while (win->View->MsPerPixel() > win->View->FinestMsPerPixel() * 1.5) win->View->Zoom(2.0, 0);
    win->View->ScrollTo(marks[2][0] + 245.0);
    QApplication::processEvents();
    ASSERT_TRUE(win->grab().save(folder + "/waveform_window_samples.png"));
}

}  // namespace
