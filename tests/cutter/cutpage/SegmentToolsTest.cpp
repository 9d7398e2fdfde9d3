// The cut page's segment tools in the main window on the offscreen platform: undo and
// redo of every kind of change, the silence dialog (preview, cancel, selected row), cue
// sheet import and export, marks moved to silence, and the list offered back after a
// restart. Screenshots of the import, the dialog and a list split at silence go to the
// build's screenshots folder.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <cmath>
#include <cstring>
#include <optional>

#include "FakeAudio.h"
#include "TestRegistry.h"
#include "cutPage.h"
#include "fakes.h"
#include "mainForm.h"
#include "segmentTools.h"
#include "silenceForm.h"
#include "specialForm.h"
#include "workflow/CueSheet.h"

namespace {

// One unit per ms; blocks of 8 kHz mono 16-bit audio: a tone, quiet in the given spans.
struct ToneReader : fakes::FakeReader {
    std::vector<workflow::TimeSpan> quiet;
    workflow::AudioBlock Read(std::int64_t count) override {
        workflow::AudioBlock b;
        const std::int64_t n = std::max<std::int64_t>(0, std::min(count, size - pos));
        if (n == 0) return b;
        std::vector<std::uint8_t> bytes(18 + n * 8 * 2, 0);
        const std::uint8_t header[18] = {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0, 0, 0};
        std::memcpy(bytes.data(), header, 18);
        for (std::int64_t f = 0; f < n * 8; ++f) {
            const std::int64_t frame = pos * 8 + f;
            bool silent = false;
            for (const auto& q : quiet) silent |= frame >= q.start * 8 && frame < q.end * 8;
            const auto v = static_cast<std::int16_t>(silent ? 0 : 8000 * std::sin(frame * 0.3));
            bytes[18 + 2 * f] = v & 0xFF;
            bytes[19 + 2 * f] = (v >> 8) & 0xFF;
        }
        SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
        void* data = nullptr;
        SafeArrayAccessData(sa, &data);
        std::memcpy(data, bytes.data(), bytes.size());
        SafeArrayUnaccessData(sa);
        b.Get()->vt = VT_ARRAY | VT_UI1;
        b.Get()->parray = sa;
        pos += n;
        return b;
    }
};

class SegmentToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        registry_.emplace(dir_.path());
        Open();
    }
    void TearDown() override {
        w_.reset();
        registry_.reset();
    }
    void Open() {
        w_ = std::make_unique<TfrmMain>(std::make_unique<TFakeComponents>(log_, 4),
                                        TAppPaths{dir_.path(), dir_.path() + "/config", dir_.path() + "/Music"}, &ui_);
        w_->Start();
        page_ = w_->tabSplit;
        tools_ = page_->Tools;
        TCutServices s;
        s.readInfo = [this](const QString& path, workflow::FormatCode) {
            TSourceInfo i;
            i.duration = reader_.durations.value(path);
            i.size = i.duration * 16;
            i.bitrate = 128;
            i.channels = 2;
            i.sampleRate = 44100;
            return i;
        };
        s.readTags = [](const QString&, workflow::FormatCode) { return workflow::SourceTags{"", "Host", "Show", "Speech", "2024"}; };
        s.job = {&reader_, &reader_, &writer_, &writer_, &tags_, {}, {}};
        page_->SetServices(s);
        tools_->ChooseOpenFile = [this](const QString&, const QString&) { return chosen_; };
        tools_->ChooseSaveFile = [this](const QString&, const QString&, const QString&) { return chosen_; };
        w_->show();
        QApplication::setActiveWindow(w_.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(w_.get()));
    }
    QString Source(const QString& name, std::int64_t ms) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
        reader_.durations[path] = ms;
        return path;
    }
    QString Write(const QString& name, const QByteArray& bytes) {
        QFile f(dir_.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    workflow::SegmentList::State State() const { return page_->Segments.SaveState(); }
    QStringList Names() const {
        QStringList n;
        for (int r = 0; r < page_->Segments.rowCount(); ++r) n << page_->Segments.Text(r, workflow::colName);
        return n;
    }
    // Runs the silence dialog with `drive` in place of the user.
    void Silence(const std::function<int(TfrmSilence&)>& drive) {
        tools_->RunSilenceDialog = drive;
        w_->UpdateActions();
        tools_->ActSilence->trigger();
    }
    static void Scan(TfrmSilence& d) {
        d.btnFind->click();
        // Generous: a loaded machine scans slowly.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !d.Scanning(); }, 60000));
    }
    void Screenshot(QWidget* widget, const char* name) {
        const QString folder = qEnvironmentVariable("KEZ_BIN_DIR") + "/../screenshots";
        QDir().mkpath(folder);
        EXPECT_TRUE(widget->grab().save(folder + "/" + name));
    }

    QTemporaryDir dir_;
    std::optional<TTestRegistry> registry_;
    TCallLog log_;
    TFakeUi ui_;
    ToneReader reader_;
    fakes::FakeWriter writer_;
    fakes::FakeTags tags_;
    std::unique_ptr<TfrmMain> w_;
    TCutPage* page_ = nullptr;
    TSegmentTools* tools_ = nullptr;
    QString chosen_;
};

}  // namespace

TEST_F(SegmentToolsTest, EveryChangeOfTheListIsUndoneAndRedoneInTurn) {
    reader_.quiet = {{4000, 5000}, {12000, 13000}};
    ASSERT_TRUE(page_->LoadSource(Source("talk.mp3", 20000)));
    QApplication::processEvents();
    std::vector<workflow::SegmentList::State> states{State()};
    QStringList steps;
    const auto step = [&](const std::function<void()>& change) {
        change();
        QApplication::processEvents();  // the change is recorded when the loop comes back
        states.push_back(State());
        steps << tools_->Undo->undoText();
    };
    step([&] { w_->ActAdd->trigger(); });
    step([&] { page_->Segments.setData(page_->Segments.index(0, workflow::colTitle), "Edited", Qt::EditRole); });
    step([&] {
        QTimer::singleShot(0, [] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<TfrmSpecial*>(top); d && d->isVisible()) d->btnOK->click();
        });
        page_->btnSegment->click();
    });
    step([&] {
        page_->gridSplit->selectRow(1);
        w_->UpdateActions();
        w_->ActDelsplite->trigger();
    });
    step([&] {
        chosen_ = Write("marks.txt", "1.5\t2.25\tlabelled\n");
        tools_->ActImportLabels->trigger();
    });
    step([&] { Silence([](TfrmSilence& d) { return Scan(d), QDialog::Accepted; }); });
    step([&] {
        w_->UpdateActions();
        w_->ActDelSpliteall->trigger();
    });
    EXPECT_EQ(steps, QStringList({"Add to Queue", "Edit Segment", "Split to equal segments", "Delete Selected",
                                  "Import Labels", "Split at Silence", "Delete All"}));
    for (std::size_t i = 1; i < states.size(); ++i) EXPECT_FALSE(states[i] == states[i - 1]) << i;
    EXPECT_EQ(states[6].rows.size(), 3u);  // the sound between and around two silences

    // The dialogs took the activation away; the keys go to the active window.
    w_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w_.get()));
    for (std::size_t i = states.size() - 1; i > 0; --i) {
        const int before = tools_->Undo->index();
        if (i % 2) QTest::keySequence(w_.get(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        else tools_->ActUndo->trigger();
        EXPECT_EQ(tools_->Undo->index(), before - 1) << i;
        EXPECT_TRUE(State() == states[i - 1]) << "undo to " << i - 1;
    }
    EXPECT_FALSE(tools_->ActUndo->isEnabled());
    for (std::size_t i = 1; i < states.size(); ++i) {
        QTest::keySequence(w_.get(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
        EXPECT_TRUE(State() == states[i]) << "redo to " << i;
    }
    // Names after an undo continue from the numbers the restored rows hold.
    tools_->ActUndo->trigger();
    tools_->ActUndo->trigger();
    page_->Segments.SetEndMark(1000);  // Delete All took the marks, and undo leaves them
    w_->ActAdd->trigger();
    EXPECT_EQ(Names().back(), "talk_5");
    // A new source starts afresh.
    ASSERT_TRUE(page_->LoadSource(Source("other.mp3", 5000)));
    QApplication::processEvents();
    EXPECT_EQ(tools_->Undo->count(), 0);
}

TEST_F(SegmentToolsTest, SilenceDialogPreviewsCancelsAndSplitsTheSelectedRow) {
    reader_.quiet = {{2000, 3000}, {6000, 6800}, {9000, 9100}};
    ASSERT_TRUE(page_->LoadSource(Source("Interview.mp3", 12000)));
    page_->Segments.AppendRow(0, 1000);
    page_->Segments.AppendRow(1000, 8000);
    page_->gridSplit->selectRow(1);
    QApplication::processEvents();
    Silence([&](TfrmSilence& d) {
        EXPECT_TRUE(d.rdSelected->isEnabled());
        EXPECT_EQ(d.lblScope->text(), "from 00:01.000 to 00:08.000");
        // Cancel during a scan stops it and keeps the dialog.
        d.btnFind->click();
        EXPECT_TRUE(d.Scanning());
        d.btnCancel->click();
        EXPECT_FALSE(d.Scanning());
        EXPECT_TRUE(d.isVisible() || !d.result());
        EXPECT_EQ(d.lblResult->text(), "Cancelled.");
        d.rdSelected->setChecked(true);
        Scan(d);
        EXPECT_EQ(d.lblResult->text(), "2 silences found: 3 segments will be added.");
        Screenshot(&d, "silence_dialog.png");
        d.rdMiddles->click();
        EXPECT_EQ(d.lblResult->text(), "2 silences found: 3 segments will be added.");
        EXPECT_EQ(d.Pieces().front().end, 2500);
        d.rdParts->click();
        return int(QDialog::Accepted);
    });
    ASSERT_EQ(page_->Segments.rowCount(), 4);
    const std::int64_t want[][2] = {{0, 1000}, {1000, 2000}, {3000, 6000}, {6800, 8000}};
    for (int r = 0; r < 4; ++r) {
        EXPECT_NEAR(page_->Segments.ReadTime(workflow::colStart, r), want[r][0], 10) << r;
        EXPECT_NEAR(page_->Segments.ReadTime(workflow::colEnd, r), want[r][1], 10) << r;
    }
    Screenshot(w_.get(), "silence_split_list.png");
    // The dialog's options are kept.
    EXPECT_EQ(LoadSegmentOptions().silence.thresholdDb, -40.0);
}

TEST_F(SegmentToolsTest, CueSheetImportLoadsItsSourceAndABadSheetAddsNothing) {
    Source("Live Set.mp3", 600000);
    chosen_ = Write("live.cue",
                    "PERFORMER \"The Band\"\r\nTITLE \"Live Set\"\r\nFILE \"Live Set.mp3\" MP3\r\n"
                    "  TRACK 01 AUDIO\r\n    TITLE \"Opening\"\r\n    INDEX 01 00:00:00\r\n"
                    "  TRACK 02 AUDIO\r\n    TITLE \"Ballad\"\r\n    PERFORMER \"Guest\"\r\n    INDEX 01 04:10:30\r\n"
                    "  TRACK 03 AUDIO\r\n    TITLE \"Encore\"\r\n    INDEX 00 08:00:00\r\n    INDEX 01 08:02:00\r\n");
    tools_->ActImportCue->trigger();
    EXPECT_EQ(page_->edtSourceFile->text(), dir_.filePath("Live Set.mp3"));
    ASSERT_EQ(Names(), QStringList({"Opening", "Ballad", "Encore"}));
    EXPECT_EQ(page_->Segments.Text(1, workflow::colArtist), "Guest");
    EXPECT_EQ(page_->Segments.Text(1, workflow::colEnd), "08:00.000");
    EXPECT_EQ(page_->Segments.Text(2, workflow::colGenre), "Speech");  // from the source's tags
    Screenshot(w_.get(), "cue_import.png");

    const auto before = State();
    chosen_ = Write("bad.cue", "FILE \"Live Set.mp3\" MP3\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 99:00:00\n");
    tools_->ActImportCue->trigger();
    EXPECT_TRUE(State() == before);
    ASSERT_FALSE(ui_.messages.empty());
    EXPECT_TRUE(ui_.messages.back().text.startsWith("bad.cue: Line 4:")) << ui_.messages.back().text.toStdString();

    chosen_ = dir_.filePath("out");  // the extension is added
    w_->UpdateActions();
    tools_->ActExportCue->trigger();
    const workflow::CueSheet sheet = workflow::ParseCueSheet(workflow::ReadWholeFile(chosen_ + ".cue"));
    EXPECT_EQ(sheet.files, QStringList({"Live Set.mp3"}));
    const auto again = workflow::CueEntries(sheet, 0, 600000);
    ASSERT_EQ(again.size(), 3u);
    EXPECT_EQ(again[1].end, 480000);
    EXPECT_EQ(again[2].start, 482000);
    // A folder that cannot be written leaves a message and no file.
    chosen_ = dir_.filePath("missing/out.cue");
    const std::size_t shown = ui_.messages.size();
    tools_->ActExportCue->trigger();
    EXPECT_EQ(ui_.messages.size(), shown + 1);
    EXPECT_FALSE(QFile::exists(chosen_));
}

TEST_F(SegmentToolsTest, MarksSetByHandMoveToTheQuietestPointWhenAsked) {
    reader_.quiet = {{1700, 1730}};
    ASSERT_TRUE(page_->LoadSource(Source("talk.mp3", 5000)));
    page_->TrackBar->setValue(1600);
    w_->ActSetStart->trigger();
    EXPECT_EQ(page_->Segments.StartMark(), 1600);  // off by default
    tools_->Options.adjustToSilence = true;
    tools_->Options.adjustWindowMs = 250;
    w_->ActSetStart->trigger();
    EXPECT_NEAR(page_->Segments.StartMark(), 1715, 10);
    page_->TrackBar->setValue(3000);  // nothing quiet within the window: it stays near
    w_->ActSetEnd->trigger();
    EXPECT_NEAR(page_->Segments.EndMark(), 3000, 250);
}

TEST_F(SegmentToolsTest, TheListIsOfferedBackForTheSameFileAfterARestart) {
    const QString path = Source("show.mp3", 60000);
    ASSERT_TRUE(page_->LoadSource(path));
    page_->Segments.AppendRow(1000, 2000);
    page_->Segments.SetText(0, workflow::colName, "kept one");
    page_->Segments.AppendRow(3000, 4000);
    const auto kept = State();
    w_->close();
    Open();
    ui_.answer = false;
    ASSERT_TRUE(page_->LoadSource(path));
    QApplication::processEvents();
    ASSERT_EQ(ui_.questions.size(), 1);
    EXPECT_TRUE(ui_.questions[0].startsWith("2 segments of this file were kept")) << ui_.questions[0].toStdString();
    EXPECT_EQ(page_->Segments.rowCount(), 0);
    ui_.answer = true;
    ASSERT_TRUE(page_->LoadSource(path));
    QApplication::processEvents();
    EXPECT_TRUE(State() == kept);
    page_->Segments.AppendRow(5000, 6000);
    EXPECT_EQ(Names().back(), "show_3");
    tools_->ActUndo->trigger();  // the restore itself is a step
    EXPECT_EQ(page_->Segments.rowCount(), 2);
    // A file changed since is not offered its old list.
    w_->close();
    Open();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("more");
    f.close();
    ASSERT_TRUE(page_->LoadSource(path));
    QApplication::processEvents();
    EXPECT_EQ(ui_.questions.size(), 2);
    EXPECT_EQ(page_->Segments.rowCount(), 0);
}
