// The job progress window inside the main window on the offscreen platform: what it does to
// the main window, and its Cancel reaching a running job through the main window's message.
#include <gtest/gtest.h>

#include <optional>

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include "FakeAudio.h"
#include "fakes.h"
#include "mainForm.h"
#include "progressForm.h"
#include "TestRegistry.h"
#include "workflow/CutJob.h"

namespace {

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        registry_.emplace(dir_.path());
        paths_.programDir = dir_.path() + "/bin";
        paths_.configDir = dir_.path() + "/config";
        paths_.musicDir = dir_.path() + "/Music";
        QDir().mkpath(paths_.programDir);
        w_ = std::make_unique<TfrmMain>(std::make_unique<TFakeComponents>(log_, 4), paths_, &ui_);
        w_->Start();
        w_->show();
    }
    void TearDown() override {
        w_.reset();
        registry_.reset();
    }

    QTemporaryDir dir_;
    std::optional<TTestRegistry> registry_;
    TAppPaths paths_;
    TCallLog log_;
    TFakeUi ui_;
    std::unique_ptr<TfrmMain> w_;
};

// A writer that presses Cancel on the progress window once the second file has data.
struct CancellingWriter : fakes::FakeWriter {
    Tfrmprogress* window = nullptr;
    void Write(const workflow::AudioBlock& b) override {
        FakeWriter::Write(b);
        if (created.size() == 2 && written[fakes::TargetOf(path)] >= 2000 && window) window->btnCancel->click();
    }
};

}  // namespace

TEST_F(ProgressTest, ShowingDisablesTheMainWindowAndClearsTheFlagUntilEnd) {
    Tfrmprogress p(w_.get());
    w_->CancelFlag = true;  // left over from an earlier job
    p.BeginProgress(QStringLiteral("Task progress"));
    EXPECT_FALSE(p.Cancelled());
    EXPECT_FALSE(w_->isEnabled());
    EXPECT_TRUE(p.isVisible());
    EXPECT_TRUE(p.isEnabled());
    EXPECT_EQ(p.windowTitle(), "Task progress");
    p.SetTotal(QStringLiteral(" 2/5"), 40);
    EXPECT_EQ(p.lblTotal->text(), " 2/5");
    EXPECT_EQ(p.PbTotal->value(), 40);
    p.SetFileProgress(75);
    EXPECT_EQ(p.pbFile->value(), 75);
    p.EndProgress();
    EXPECT_TRUE(w_->isEnabled());
    EXPECT_FALSE(p.isVisible());
}

TEST_F(ProgressTest, DestroyingAShownWindowGivesTheMainWindowBack) {
    {
        Tfrmprogress p(w_.get());
        p.BeginProgress(QStringLiteral("Merge progress"));
        ASSERT_FALSE(w_->isEnabled());
    }
    EXPECT_TRUE(w_->isEnabled());
}

TEST_F(ProgressTest, CancelAndClosingTheFrameSetTheMainWindowsFlag) {
    Tfrmprogress p(w_.get());
    p.BeginProgress(QString());
    p.btnCancel->click();
    EXPECT_FALSE(w_->CancelFlag);  // only a message so far
    p.ProcessEvents();
    EXPECT_TRUE(w_->CancelFlag);
    EXPECT_TRUE(p.Cancelled());

    p.BeginProgress(QString());
    ASSERT_FALSE(p.Cancelled());
    QCloseEvent close;
    QApplication::sendEvent(&p, &close);
    p.ProcessEvents();
    EXPECT_TRUE(p.Cancelled());
    EXPECT_TRUE(p.isVisible());
}

TEST_F(ProgressTest, LongPathKeepsItsFileNameInView) {
    Tfrmprogress p(w_.get());
    const QString path = "/home/someone/" + QString(200, u'd') + "/final take.mp3";
    p.SetFileLabel(path);
    EXPECT_EQ(p.lblFilename->toolTip(), path);
    EXPECT_TRUE(p.lblFilename->text().endsWith("final take.mp3"));
    EXPECT_LE(p.lblFilename->fontMetrics().horizontalAdvance(p.lblFilename->text()), p.lblFilename->width());
}

TEST_F(ProgressTest, CancelDuringTheSecondOfThreeRowsStopsTheCutJob) {
    using namespace workflow;
    const QString source = dir_.path() + "/song.mp3";
    QFile f(source);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.close();
    fakes::FakeReader reader, wmaReader;
    reader.durations[source] = 30000;
    CancellingWriter writer;
    fakes::FakeWriter wmaWriter;
    fakes::FakeTags tags;
    SegmentList rows;
    rows.LoadSource(source, 30000, {});
    for (const Piece& piece : PiecesByCount(0, 30000, 3)) rows.AppendRow(piece.start, piece.end);
    JobComponents c{&reader, &wmaReader, &writer, &wmaWriter, &tags, [](FormatCode) { return true; }, {}};
    Tfrmprogress p(w_.get());
    writer.window = &p;
    const CutJobResult r = RunCutJob(source, rows, dir_.path() + "/out", JobOptions{}, c, p);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(writer.created.size(), 2);
    EXPECT_EQ(writer.written[dir_.path() + "/out/song_1.mp3"], 10000);
    EXPECT_LT(writer.written[dir_.path() + "/out/song_2.mp3"], 10000);
    EXPECT_EQ(p.lblTotal->text(), " 2/3");
    EXPECT_EQ(p.PbTotal->value(), 66);
    EXPECT_TRUE(w_->isEnabled());
    EXPECT_FALSE(p.isVisible());
}
