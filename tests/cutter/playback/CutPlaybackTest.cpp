// The cut page's source playback inside the main window on the offscreen platform, on
// logging stand-ins for the readers and the cut player: the toggle, the seek, the feed and
// its block size, the player's events, page changes and component errors.
#include <gtest/gtest.h>

#include <optional>

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <cstring>

#include "PlaybackFixture.h"
#include "fakes.h"
#include "TestRegistry.h"
#include "workflow/AudioIo.h"

namespace {

// A reader over `size` units of one byte each, logging every call as "<name> <call>".
class TLogReader : public workflow::AudioReader {
public:
    TLogReader(TCallLog& log, QString name) : log_(log), name_(std::move(name)) {}
    void Open(const QString& path) override {
        Call(QStringLiteral("Open ") + QFileInfo(path).fileName());
        pos = 0;
    }
    void SeekTime(std::int64_t ms) override { Call(QStringLiteral("SeekTime %1").arg(ms)); }
    void SeekUnits(std::int64_t u) override { Call(QStringLiteral("SeekUnits %1").arg(u)); }
    workflow::AudioBlock Read(std::int64_t count) override {
        Call(QStringLiteral("Read %1").arg(count));
        workflow::AudioBlock b;
        const std::int64_t n = std::max<std::int64_t>(0, std::min(count, info.size - pos));
        if (n == 0) return b;
        SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, ULONG(n));
        void* data = nullptr;
        SafeArrayAccessData(sa, &data);
        std::memset(data, 0, size_t(n));
        SafeArrayUnaccessData(sa);
        b.Get()->vt = VT_ARRAY | VT_UI1;
        b.Get()->parray = sa;
        pos += n;
        return b;
    }
    void Close() override { Call(QStringLiteral("Close")); }
    workflow::StreamInfo Info() override { return info; }
    std::int64_t Position() override { return pos; }

    workflow::StreamInfo info{44100, 2, 16, 1.0, 10 * 176400, 10000};
    std::int64_t pos = 0;
    QString failOn;  // the call ("Open", "SeekTime", ...) that raises "<name> failed"

private:
    void Call(const QString& call) {
        log_.Add(name_ + QStringLiteral(" ") + call);
        if (!failOn.isEmpty() && call.startsWith(failOn))
            throw std::runtime_error((name_ + QStringLiteral(" failed")).toStdString());
    }
    TCallLog& log_;
    QString name_;
};

// The cut player as the window sees it: the logging fake, with one call made to fail.
class TGatedPlayer : public IAudioPlayer {
public:
    explicit TGatedPlayer(TFakePlayer*& inner) : inner_(inner) {}
    void SetStartMode(int m) override {
        Gate("StartMode");
        inner_->SetStartMode(m);
    }
    void Start(int sr, int ch, int bits, int flags) override {
        Gate("Start");
        inner_->Start(sr, ch, bits, flags);
    }
    void PlayArray(const VARIANT& v) override {
        Gate("PlayArray");
        inner_->PlayArray(v);
    }
    void Stop() override {
        Gate("Stop");
        inner_->Stop();
    }
    bool Playing() override {
        Gate("Playing");
        return inner_->Playing();
    }
    QString failOn;

private:
    void Gate(const char* call) {
        if (failOn == QLatin1String(call))
            throw std::runtime_error(std::string("player ") + call + " failed");
    }
    TFakePlayer*& inner_;
};

class TPlaybackComponents : public TFakeComponents {
public:
    explicit TPlaybackComponents(TCallLog& log) : TFakeComponents(log, 2), gate(cutFake_) {}
    void ConstructPlayers(TPlayerEvents merge, TPlayerEvents cut) override {
        TFakeComponents::ConstructPlayers(std::move(merge), std::move(cut));
        cutFake_ = &Cut();
    }
    IAudioPlayer* CutPlayer() override { return cutFake_ ? &gate : nullptr; }
    TFakePlayer* cutFake_ = nullptr;
    TGatedPlayer gate;
};

class CutPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        registry_.emplace(dir_.path());
        TAppPaths paths{dir_.path() + "/bin", dir_.path() + "/config", dir_.path() + "/Music"};
        QDir().mkpath(paths.programDir);
        auto components = std::make_unique<TPlaybackComponents>(log_);
        components_ = components.get();
        w_ = std::make_unique<TfrmMain>(std::move(components), paths, &ui_);
        w_->Start();
        t_ = playbacktest::PlaybackOf(*w_);
        ASSERT_TRUE(t_.playback && t_.button);
        t_.playback->SetReaders(&reader_, &wma_);
        page_ = w_->tabSplit;
        log_.calls.clear();
    }
    void TearDown() override {
        w_.reset();
        registry_.reset();
    }

    // A file on disk in the source box, with a track bar of `ms` at `position`.
    QString Source(const QString& name, int ms = 120000, int position = 0) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("data");
        page_->edtSourceFile->setText(path);
        page_->TrackBar->setRange(0, ms);
        page_->TrackBar->setValue(position);
        return path;
    }
    // The user's click, with the enabling as the idle update leaves it.
    void Press() {
        w_->UpdateActions();
        ASSERT_TRUE(t_.button->isEnabled());
        t_.button->click();
    }
    void ExpectIdle() {
        EXPECT_EQ(t_.button->text(), "Play");
        EXPECT_EQ(t_.button->icon().cacheKey(), TCutPlayback::PlayGlyph().cacheKey());
    }
    void ExpectStopShown() {
        EXPECT_EQ(t_.button->text(), "Stop");
        EXPECT_EQ(t_.button->icon().cacheKey(), TCutPlayback::StopGlyph().cacheKey());
    }
    TFakePlayer& Player() { return components_->Cut(); }
    // The calls of the players and readers (the settings page's list calls left out).
    QStringList Calls() const {
        return log_.calls.filter(QRegularExpression(QStringLiteral("^(CutPlayer|MergePlayer|reader|wma) ")));
    }

    QTemporaryDir dir_;
    std::optional<TTestRegistry> registry_;
    TCallLog log_;
    TFakeUi ui_;
    TPlaybackComponents* components_ = nullptr;
    TLogReader reader_{log_, QStringLiteral("reader")};
    TLogReader wma_{log_, QStringLiteral("wma")};
    std::unique_ptr<TfrmMain> w_;
    playbacktest::TPlaybackUnderTest t_;
    TCutPage* page_ = nullptr;
};

const QStringList kStartFromOpen = {"CutPlayer StartMode 2", "CutPlayer Start 44100 2 16 0",
                                    "reader Read 176400",    "CutPlayer PlayArray",
                                    "reader Read 176400",    "CutPlayer PlayArray"};

TEST_F(CutPlayback, PlaysFromTheStartWithoutSeekingAtPositionZero) {
    ExpectIdle();
    Source("song.mp3");
    Press();
    EXPECT_EQ(Calls(), QStringList{"reader Open song.mp3"} + kStartFromOpen);
    ExpectStopShown();
    EXPECT_TRUE(t_.playback->Playing());
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(CutPlayback, PlaysFromTheTrackBarPosition) {
    Source("song.ogg", 120000, 60000);  // 01:00.000
    Press();
    EXPECT_EQ(Calls(), QStringList({"reader Open song.ogg", "reader SeekTime 60000"}) + kStartFromOpen);
}

TEST_F(CutPlayback, PressingAgainStopsAtOnce) {
    Source("song.mp3");
    Press();
    log_.calls.clear();
    Press();
    EXPECT_EQ(Calls(), QStringList({"CutPlayer Stop", "reader Close"}));
    ExpectIdle();
    EXPECT_FALSE(t_.playback->Playing());
    // A late end-of-block event reads nothing more.
    log_.calls.clear();
    Player().events.OnEndArrayPlay();
    EXPECT_TRUE(Calls().isEmpty()) << Calls().join(", ").toStdString();
}

TEST_F(CutPlayback, StoppingDoesNotDependOnTheSourceBox) {
    const QString path = Source("song.mp3");
    Press();
    QFile::remove(path);
    page_->edtSourceFile->setText(dir_.filePath("other.txt"));
    log_.calls.clear();
    Press();
    EXPECT_EQ(Calls(), QStringList({"CutPlayer Stop", "reader Close"}));
    ExpectIdle();
}

TEST_F(CutPlayback, EachEndOfBlockFeedsTheNextBlockUntilTheSourceEnds) {
    reader_.info.size = 176400 * 3 + 1000;
    Source("song.mp3");
    Press();
    log_.calls.clear();
    Player().events.OnEndArrayPlay();
    EXPECT_EQ(Calls(), QStringList({"reader Read 176400", "CutPlayer PlayArray"}));
    Player().events.OnEndArrayPlay();  // the last 1000 units
    Player().events.OnEndArrayPlay();  // nothing left: nothing handed over
    EXPECT_EQ(Calls().filter("PlayArray").size(), 2);
    EXPECT_EQ(Calls().filter("Read").size(), 3);
    EXPECT_EQ(reader_.pos, reader_.info.size);
    ExpectStopShown();  // playback ends by the player's end event, not by the feed
}

TEST_F(CutPlayback, TheEndOfPlayStopsAndResets) {
    for (bool stillPlaying : {true, false}) {
        SCOPED_TRACE(stillPlaying);
        Source("song.mp3");
        Press();
        log_.calls.clear();
        // The player reports playing while its end event is handled; one that already
        // reports stopped is reset the same way rather than started again.
        Player().playing = stillPlaying;
        Player().events.OnEndPlay();
        EXPECT_EQ(Calls(), QStringList({"CutPlayer Stop", "reader Close"}));
        ExpectIdle();
        EXPECT_FALSE(t_.playback->Playing());
    }
}

TEST_F(CutPlayback, ShowingAnotherPageStopsIt) {
    for (int page : {pgMerge, pgSettings}) {
        SCOPED_TRACE(page);
        Source("song.mp3");
        Press();
        log_.calls.clear();
        w_->ShowPage(page);
        EXPECT_EQ(Calls(), QStringList({"CutPlayer Stop", "reader Close"}));
        ExpectIdle();
        EXPECT_FALSE(Player().playing);
        w_->ShowPage(pgCut);
        EXPECT_EQ(Calls().size(), 2);  // coming back starts nothing
    }
}

TEST_F(CutPlayback, TheSourceGoesOnlyToTheCutPlayer) {
    Source("song.mp3");
    Press();
    log_.calls.clear();
    // A block read while another page is shown is dropped: no player gets the source.
    w_->PageControl->setCurrentIndex(pgMerge);
    t_.playback->FeedBlock();
    EXPECT_EQ(Calls(), QStringList({"reader Read 176400"}));
    w_->PageControl->setCurrentIndex(pgCut);
}

TEST_F(CutPlayback, AWmaSourcePlaysThroughTheWmaReader) {
    wma_.info = {44100, 2, 16, 29.4, 60000, 10000};  // 6000 units a second
    Source("talk.WMA", 10000, 2500);
    Press();
    EXPECT_EQ(Calls(), QStringList({"wma Open talk.WMA", "wma SeekTime 2500", "CutPlayer StartMode 2",
                                    "CutPlayer Start 44100 2 16 0", "wma Read 6000", "CutPlayer PlayArray",
                                    "wma Read 6000", "CutPlayer PlayArray"}));
    log_.calls.clear();
    Press();
    // The reader that was opened is the one closed.
    EXPECT_EQ(Calls(), QStringList({"CutPlayer Stop", "wma Close"}));
}

TEST_F(CutPlayback, AnUnplayableSourceDoesNothing) {
    QDir().mkpath(dir_.filePath("folder.mp3"));
    const QString rows[] = {dir_.filePath("notes.txt"), dir_.filePath("gone.mp3"), dir_.filePath("noext"),
                            dir_.filePath("folder.mp3"), QString()};
    QFile(rows[0]).open(QIODevice::WriteOnly);
    QFile(rows[2]).open(QIODevice::WriteOnly);
    for (const QString& path : rows) {
        SCOPED_TRACE(path.toStdString());
        page_->edtSourceFile->setText(path);
        page_->TrackBar->setRange(0, 5000);
        Press();
        EXPECT_TRUE(Calls().isEmpty()) << Calls().join(", ").toStdString();
        ExpectIdle();
        EXPECT_FALSE(t_.playback->Playing());
    }
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(CutPlayback, PlayIsEnabledWithSetStart) {
    Source("song.mp3", 100);
    w_->UpdateActions();
    EXPECT_FALSE(w_->ActSplay->isEnabled());
    EXPECT_FALSE(t_.button->isEnabled());
    page_->TrackBar->setRange(0, 101);
    w_->UpdateActions();
    EXPECT_TRUE(w_->ActSplay->isEnabled());
    EXPECT_TRUE(t_.button->isEnabled());
    EXPECT_EQ(w_->ActSplay->isEnabled(), w_->ActSetStart->isEnabled());
}

// A component error is shown, and the button keeps what it was set to before the call.
struct TErrorRow {
    const char* reader;  // the reader call that fails
    const char* player;  // or the player call
    bool stopping;       // the error comes while stopping
    const char* message;
    const char* button;
};

class CutPlaybackErrors : public CutPlayback, public ::testing::WithParamInterface<TErrorRow> {};

TEST_P(CutPlaybackErrors, AreShownAndLeaveTheButtonAsSet) {
    const TErrorRow row = GetParam();
    Source("song.mp3", 120000, 1000);
    if (row.stopping) Press();
    reader_.failOn = QString::fromLatin1(row.reader);
    components_->gate.failOn = QString::fromLatin1(row.player);
    Press();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, row.message);
    EXPECT_EQ(ui_.messages[0].caption, AppTitle);
    EXPECT_EQ(ui_.messages[0].kind, TMessageKind::Error);
    EXPECT_EQ(t_.button->text(), row.button);
    // Once the component works again the next press does the right thing.
    reader_.failOn.clear();
    components_->gate.failOn.clear();
    log_.calls.clear();
    Press();
    if (Player().playing) {
        EXPECT_EQ(Calls().filter("CutPlayer Start ").size(), 1) << Calls().join(", ").toStdString();
        ExpectStopShown();
    } else {
        EXPECT_EQ(Calls().filter("CutPlayer Stop").size(), 1) << Calls().join(", ").toStdString();
        ExpectIdle();
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, CutPlaybackErrors,
                         ::testing::Values(TErrorRow{"Open", "", false, "reader failed", "Stop"},
                                           TErrorRow{"SeekTime", "", false, "reader failed", "Stop"},
                                           TErrorRow{"", "StartMode", false, "player StartMode failed",
                                                     "Stop"},
                                           TErrorRow{"", "Start", false, "player Start failed", "Stop"},
                                           TErrorRow{"", "Playing", false, "player Playing failed", "Play"},
                                           TErrorRow{"", "Stop", true, "player Stop failed", "Play"},
                                           TErrorRow{"Close", "", true, "reader failed", "Play"}));

TEST_F(CutPlayback, ErrorsWhileFeedingAreIgnored) {
    Source("song.mp3");
    Press();
    components_->gate.failOn = QStringLiteral("PlayArray");
    Player().events.OnEndArrayPlay();
    reader_.failOn = QStringLiteral("Read");
    Player().events.OnEndArrayPlay();
    EXPECT_TRUE(ui_.messages.empty());
    ExpectStopShown();
}

// One second of audio in reader units, rounded half to even.
TEST(CutPlaybackBlock, UnitsOfOneSecond) {
    struct Row {
        int rate, channels, bits;
        double compress;
        long long units;
    } rows[] = {
        {44100, 2, 16, 1.0, 176400},                                                           // PCM: bytes
        {22050, 1, 16, 4.0, 11025},   {44100, 2, 16, 3.0, 58800}, {44100, 2, 16, 29.4, 6000},  // a WMA reader
        {44100, 2, 16, 14112.0, 12},  // 12.5: down to even
        {27, 1, 8, 2.0, 14},          // 13.5: up to even
        {1000, 1, 8, 400.0, 2},       // 2.5
        {1000, 3, 8, 16.0, 188},      // 187.5
        {1000, 1, 8, 3000.0, 0},      // a third of a unit
        {1000, 1, 8, 1600.0, 1},      // 0.625
        {44100, 2, 16, 0.0, 176400},  // no rate: the PCM second
        {44100, 2, 16, -2.0, 176400}, {0, 2, 16, 1.0, 0},         {44100, 0, 16, 1.0, 0},
        {-44100, 2, 16, 1.0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.rate << " " << r.channels << " " << r.bits << " " << r.compress);
        EXPECT_EQ(workflow::PlayBlockUnits(r.rate, r.channels, r.bits, r.compress), r.units);
    }
}

}  // namespace
