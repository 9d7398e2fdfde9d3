// The cut page's playback on the program's registered components and real media, played
// to a PulseAudio null sink: the test command's (KEZ_PULSE_SERVER) or one started here.
#include <gtest/gtest.h>

#include <optional>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <functional>

#include "PlaybackFixture.h"
#include "TestMedia.h"
#include "TestRegistry.h"
#include "app/ProgramComponents.h"
#include "fakes.h"

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

class CutPlaybackEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        registry_.emplace(dir_.path());
        registry_->RegisterProgramComponents();
        w_ = std::make_unique<TfrmMain>(
            CreateProgramComponents(),
            TAppPaths{dir_.path(), dir_.path() + "/config", dir_.path() + "/Music"}, &ui_);
        w_->Start();
        for (const auto& m : ui_.messages) ADD_FAILURE() << m.text.toStdString();
        t_ = playbacktest::PlaybackOf(*w_);
        ASSERT_TRUE(t_.playback && t_.button);
        page_ = w_->tabSplit;
    }
    void TearDown() override {
        w_.reset();
        registry_.reset();
    }
    QString Wav(const char* name, double seconds) {
        testmedia::WavSpec shape;
        shape.seconds = seconds;
        return QString::fromStdString(testmedia::MakeWav(dir_.path().toStdString(), name, shape));
    }
    void Load(const QString& path) {
        ASSERT_TRUE(page_->LoadSource(path)) << path.toStdString();
        w_->UpdateActions();
        ASSERT_TRUE(t_.button->isEnabled());
    }
    void ExpectNoMessages() {
        for (const auto& m : ui_.messages) ADD_FAILURE() << m.text.toStdString();
        ui_.messages.clear();
    }
    bool PlayerPlaying() { return w_->Components().CutPlayer() && w_->Components().CutPlayer()->Playing(); }

    QTemporaryDir dir_;
    std::optional<TTestRegistry> registry_;
    TFakeUi ui_;
    std::unique_ptr<TfrmMain> w_;
    playbacktest::TPlaybackUnderTest t_;
    TCutPage* page_ = nullptr;
};

TEST_F(CutPlaybackEndToEnd, AShortWavPlaysToItsEndAndTheButtonReturnsToPlay) {
    Load(Wav("short.wav", 0.6));
    t_.button->click();
    ExpectNoMessages();
    EXPECT_EQ(t_.button->text(), "Stop");
    EXPECT_TRUE(PlayerPlaying());
    ASSERT_TRUE(WaitUntil([&] { return t_.button->text() == "Play"; }, 20000)) << "playback never ended";
    EXPECT_FALSE(PlayerPlaying());
    EXPECT_FALSE(t_.playback->Playing());
    ExpectNoMessages();
    // The reader was closed and the source plays again from the track bar position.
    page_->TrackBar->setValue(300);
    t_.button->click();
    EXPECT_EQ(t_.button->text(), "Stop");
    ASSERT_TRUE(WaitUntil([&] { return t_.button->text() == "Play"; }, 20000));
    ExpectNoMessages();
}

TEST_F(CutPlaybackEndToEnd, AnMp3PlaysFromOneMinuteOn) {
    testmedia::WavSpec shape;
    shape.seconds = 61.0;
    Load(QString::fromStdString(testmedia::MakeMp3(dir_.path().toStdString(), "long.mp3", shape)));
    page_->TrackBar->setValue(60000);
    t_.button->click();
    ExpectNoMessages();
    // The reader went to one minute before the first blocks: it stands past 60 of 61 seconds.
    auto* pc = dynamic_cast<TProgramComponents*>(&w_->Components());
    ASSERT_NE(pc, nullptr);
    TAudioFile3& reader = pc->Wrappers.SourceReader;
    EXPECT_GE(double(reader.AudioInfo().Position()), double(reader.AudioInfo().Size()) * 60000.0 / 61000.0);
    ASSERT_TRUE(WaitUntil([&] { return t_.button->text() == "Play"; }, 40000));
    ExpectNoMessages();
}

TEST_F(CutPlaybackEndToEnd, ANewSourceOrAnotherPageStopsIt) {
    const QString a = Wav("a.wav", 5.0), b = Wav("b.wav", 5.0);
    Load(a);
    t_.button->click();
    ASSERT_TRUE(PlayerPlaying());
    WaitUntil([] { return false; }, 200);
    Load(b);
    EXPECT_EQ(t_.button->text(), "Play");
    EXPECT_FALSE(PlayerPlaying());
    t_.button->click();
    ASSERT_TRUE(PlayerPlaying());
    w_->ShowPage(pgSettings);
    EXPECT_EQ(t_.button->text(), "Play");
    EXPECT_FALSE(PlayerPlaying());
    ExpectNoMessages();
    // The window goes away while the source plays: the player and readers go with it.
    w_->ShowPage(pgCut);
    t_.button->click();
    ASSERT_TRUE(PlayerPlaying());
    WaitUntil([] { return false; }, 100);
    w_.reset();
}

}  // namespace
