// The merge page inside the main window on the offscreen platform, on fake components:
// adding, totals, deletes, moves, playback and its highlight, and Merge Now!.
#include <gtest/gtest.h>

#include <optional>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QCheckBox>
#include <QComboBox>
#include <QTest>
#include <QTimer>
#include <unistd.h>

#include "FakeAudio.h"
#include "FakeMedia.h"
#include "application.h"
#include "fakes.h"
#include "mainForm.h"
#include "mergePage.h"
#include "TestRegistry.h"
#include "settingsPage.h"

namespace {

class MergePageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        registry_.emplace(dir_.path());
        paths_.programDir = dir_.path() + "/bin";
        paths_.configDir = dir_.path() + "/config";
        paths_.musicDir = dir_.path() + "/Music";
        QDir().mkpath(paths_.programDir);
        auto components = std::make_unique<TFakeComponents>(log_, 4);
        components_ = components.get();
        w_ = std::make_unique<TfrmMain>(std::move(components), paths_, &ui_);
        w_->Start();
        page_ = w_->tabMerge;
        TMergeServices s;
        s.media = &media_;
        s.job.reader = &reader_;
        s.job.wmaReader = &reader_;
        s.job.writer = &writer_;
        s.job.wmaWriter = &writer_;
        s.job.tags = &tags_;
        page_->SetServices(s);
        page_->MakeHost = [this] { return &host_; };
        w_->ShowPage(pgMerge);
    }
    void TearDown() override {
        w_.reset();
        registry_.reset();
    }

    // A file on disk that the fakes report as `tag` with `ms` of audio.
    QString Media(const QString& name, int tag, std::int64_t ms, std::int64_t size) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("data");
        workflow::MediaFacts facts;
        facts.formatTag = tag;
        facts.duration = ms;
        facts.size = size;
        facts.title = name;
        facts.channels = 2;
        media_.first[path] = facts;
        reader_.durations[path] = ms;
        return path;
    }
    void Add(const QStringList& paths) {
        page_->ChooseFiles = [paths] { return paths; };
        w_->ActMergeAdd->trigger();
    }
    void Select(int row) { page_->GridView->selectRow(row); }
    QStringList Column(int c) const {
        QStringList cells;
        for (int r = 0; r < page_->GridView->rowCount(); ++r)
            cells << page_->GridView->item(r, c)->text();
        return cells;
    }
    // Runs an action as the idle update would have left it.
    void Run(QAction* a) {
        w_->UpdateActions();
        a->trigger();
    }
    bool Enabled(QAction* a) {
        w_->UpdateActions();
        return a->isEnabled();
    }

    QTemporaryDir dir_;
    std::optional<TTestRegistry> registry_;
    TAppPaths paths_;
    TCallLog log_;
    TFakeUi ui_;
    TFakeComponents* components_ = nullptr;
    FakeMedia media_;
    fakes::FakeReader reader_;
    fakes::FakeWriter writer_;
    fakes::FakeTags tags_;
    fakes::FakeHost host_;
    std::unique_ptr<TfrmMain> w_;
    TMergePage* page_ = nullptr;
};

TEST_F(MergePageTest, AddValidatesEachFileAndSumsTotals) {
    const QString mp3 = Media("a.mp3", 85, 65500, 1500000);
    const QString text = Media("notes.txt", 1, 1000, 10);
    const QString fake = Media("ogg.mp3", 26447, 1000, 10);
    page_->ChooseFiles = [] { return QStringList(); };
    w_->ActMergeAdd->trigger();  // cancelled dialog: nothing happens
    EXPECT_TRUE(ui_.messages.empty());
    Add({mp3, text, fake});
    EXPECT_EQ(Column(workflow::mcFilePath), QStringList({mp3}));
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[0].text, "File \"" + text + "\" is not a valid audio file.");
    EXPECT_EQ(ui_.messages[0].caption, "Tarvel Free Audio Cutter");
    EXPECT_EQ(ui_.messages[0].kind, TMessageKind::Warning);
    EXPECT_EQ(ui_.messages[1].text, "File \"" + fake + "\" is not a valid audio file.");
    EXPECT_EQ(page_->lblTotal->text(), "01:05.500/1.43 MB");
    EXPECT_EQ(page_->GridView->item(0, workflow::mcFileSize)->text(), "1.43 MB");
    EXPECT_EQ(page_->GridView->item(0, workflow::mcTrack)->text(), "0");
    EXPECT_EQ(page_->GridView->horizontalHeaderItem(5)->text(), "Track#");
    EXPECT_EQ(page_->GridView->columnWidth(0), 160);
    EXPECT_EQ(page_->GridView->columnWidth(13), 200);
}

TEST_F(MergePageTest, RowFillErrorStopsTheAddAndKeepsTheEmptyRow) {
    const QString a = Media("a.mp3", 85, 1000, 1), b = Media("b.mp3", 85, 1000, 1), c = Media("c.mp3", 85, 1000, 1);
    Add({a});
    const QString before = page_->lblTotal->text();
    struct Failing : FakeMedia {
        QString bad;
        void OpenSource(const QString& path) override {
            if (path == bad)
                throw std::runtime_error("decoder gave up");
        }
    } failing;
    failing.first = media_.first;
    failing.bad = b;
    TMergeServices s;
    s.media = &failing;
    page_->SetServices(s);
    Add({b, c});
    ASSERT_EQ(page_->GridView->rowCount(), 2);  // c was not processed
    EXPECT_TRUE(page_->GridView->item(1, workflow::mcFilePath)->text().isEmpty());
    ASSERT_FALSE(ui_.messages.empty());
    EXPECT_EQ(ui_.messages.back().text, "decoder gave up");
    EXPECT_EQ(page_->lblTotal->text(), before);  // totals not recomputed
}

TEST_F(MergePageTest, DeleteActionsAndTotals) {
    const QString a = Media("a.mp3", 85, 1000, 1048576), b = Media("b.wma", 111, 2000, 1048576),
                  c = Media("c.wav", 1, 3000, 1048576);
    Add({a, b, c});
    EXPECT_EQ(page_->lblTotal->text(), "00:06.000/3.00 MB");
    EXPECT_FALSE(Enabled(w_->DelSelected));
    EXPECT_TRUE(Enabled(page_->DeleteunSelect));
    // The drop-down of "&Delete" holds the three actions.
    QStringList items;
    for (QAction* act : page_->popDelete->actions())
        items << act->text();
    EXPECT_EQ(items, QStringList({"Delete Selected", "Delete Unselected", "Delete All"}));
    Select(1);
    EXPECT_TRUE(Enabled(w_->DelSelected));
    w_->DelSelected->trigger();
    EXPECT_EQ(Column(workflow::mcFilePath), QStringList({a, c}));
    EXPECT_EQ(page_->lblTotal->text(), "00:04.000/2.00 MB");
    // The files vanish: the label keeps its last text.
    QFile::remove(a);
    QFile::remove(c);
    Select(0);
    w_->DelSelected->trigger();
    EXPECT_EQ(page_->lblTotal->text(), "00:04.000/2.00 MB");
    page_->DeleteAll->trigger();
    EXPECT_EQ(page_->GridView->rowCount(), 0);
    EXPECT_TRUE(page_->lblTotal->text().isEmpty());
    EXPECT_FALSE(Enabled(page_->DeleteAll));

    Add({b, Media("d.ogg", 26447, 1000, 1)});
    page_->GridView->clearSelection();
    page_->DeleteunSelect->trigger();  // no selection: the list empties
    EXPECT_EQ(page_->GridView->rowCount(), 0);
}

TEST_F(MergePageTest, MovesAndPlayback) {
    const QString a = Media("a.mp3", 85, 5000, 1), b = Media("b.mp3", 85, 5000, 1), c = Media("c.mp3", 85, 5000, 1);
    Add({a, b, c});
    EXPECT_FALSE(Enabled(w_->ActMplay));  // nothing selected
    EXPECT_FALSE(Enabled(w_->ActPrior));
    EXPECT_FALSE(Enabled(w_->ActNext));
    Select(0);
    EXPECT_FALSE(Enabled(w_->UpAction));
    EXPECT_TRUE(Enabled(w_->DownAction));
    EXPECT_TRUE(Enabled(w_->ActMplay));
    w_->ActMplay->trigger();
    EXPECT_TRUE(page_->MergePlaying());
    EXPECT_EQ(w_->MergePlayIndex, 0);
    EXPECT_EQ(log_.calls.filter("MergePlayer").mid(0, 4),
              QStringList({"MergePlayer StartMode 2", "MergePlayer Start 44100 2 16 0", "MergePlayer PlayArray",
                           "MergePlayer PlayArray"}));
    EXPECT_FALSE(Enabled(w_->ActMplay));
    EXPECT_TRUE(Enabled(w_->ActMstop));
    EXPECT_FALSE(Enabled(w_->ActPrior));  // first row
    EXPECT_TRUE(Enabled(w_->ActNext));
    w_->ActNext->trigger();
    EXPECT_EQ(w_->MergePlayIndex, 1);
    EXPECT_EQ(reader_.open, b);
    EXPECT_EQ(page_->List().Selected(), 1);
    // Moving while playing: the play index follows the moved row.
    w_->DownAction->trigger();
    EXPECT_EQ(w_->MergePlayIndex, 2);
    EXPECT_EQ(Column(workflow::mcFilePath), QStringList({a, c, b}));
    EXPECT_FALSE(Enabled(w_->DownAction));
    EXPECT_FALSE(Enabled(w_->ActNext));  // last row
    // The player's end-of-block event feeds the next block.
    const int arrays = int(log_.calls.filter("PlayArray").size());
    components_->Merge().events.OnEndArrayPlay();
    EXPECT_EQ(int(log_.calls.filter("PlayArray").size()), arrays + 1);
    // Deleting the played row leaves the index and the playback alone.
    w_->DelSelected->trigger();
    EXPECT_EQ(w_->MergePlayIndex, 2);
    EXPECT_TRUE(page_->MergePlaying());
    // The player ends by itself: the page stops.
    components_->Merge().playing = false;
    components_->Merge().events.OnEndPlay();
    EXPECT_FALSE(page_->MergePlaying());
    EXPECT_TRUE(reader_.open.isEmpty());
}

TEST_F(MergePageTest, PaintingThePlayedRowGivesTheGridTheFocus) {
    Add({Media("a.mp3", 85, 5000, 1), Media("b.mp3", 85, 5000, 1)});
    Select(1);
    page_->edtTitle->setFocus();
    page_->GridView->viewport()->grab();  // the selected row, not played: no highlight
    QApplication::processEvents();
    EXPECT_EQ(w_->focusWidget(), page_->edtTitle);
    w_->ActMplay->trigger();
    page_->edtTitle->setFocus();
    page_->GridView->viewport()->grab();
    QApplication::processEvents();
    EXPECT_EQ(w_->focusWidget(), page_->GridView);
}

TEST_F(MergePageTest, ClosingWhilePlayingStopsThePlayer) {
    Add({Media("a.mp3", 85, 5000, 1), Media("b.mp3", 85, 5000, 1)});
    Select(1);
    w_->ActMplay->trigger();
    ASSERT_TRUE(components_->Merge().playing);
    w_->close();
    EXPECT_FALSE(components_->Merge().playing);
    EXPECT_FALSE(page_->MergePlaying());
}

TEST_F(MergePageTest, MergeNowEnablingAndJob) {
    const QString a = Media("a.mp3", 85, 1500, 1), b = Media("b.wav", 1, 2500, 1);
    Add({a});
    page_->edtFolder->setText(dir_.filePath("out"));
    page_->edtFilename->setText("a<b>:c?");
    page_->cmbFormat->setCurrentIndex(0);
    EXPECT_FALSE(Enabled(w_->ActMerge));  // one row
    Add({b});
    EXPECT_TRUE(Enabled(w_->ActMerge));
    EXPECT_TRUE(page_->btnMerge->isEnabled());
    page_->edtFilename->clear();
    EXPECT_FALSE(Enabled(w_->ActMerge));
    page_->edtFilename->setText("a<b>:c?");
    page_->cmbFormat->setCurrentIndex(-1);
    EXPECT_FALSE(Enabled(w_->ActMerge));
    page_->cmbFormat->setCurrentIndex(0);

    page_->edtTitle->setText("T");
    page_->edtYear->setText("year");
    page_->edtTrack->setValue(1234);
    page_->cmbGenre->setEditText("My own genre");
    Run(w_->ActMerge);
    const QString out = dir_.filePath("out") + "/ab c .mp3";
    EXPECT_EQ(writer_.created, QStringList({out}));
    EXPECT_EQ(writer_.written[out], 4000);
    ASSERT_EQ(tags_.tagged, QStringList({out}));
    EXPECT_EQ(tags_.values[0].title, "T");
    EXPECT_EQ(tags_.values[0].genre, "My own genre");
    EXPECT_EQ(tags_.values[0].track.value_or(""), QLocale().toString(1234));
    EXPECT_EQ(log_.calls.filter("SetMp3Format").size(), 1);  // the writer was configured

    // Overwrite declined: nothing new is made.
    w_->tabSettings->chkPromptexist->setChecked(true);
    host_.answer = false;
    Run(w_->ActMerge);
    EXPECT_EQ(writer_.created.size(), 1);
    ASSERT_EQ(host_.questions.size(), 1);
    EXPECT_EQ(host_.questions[0], out + " already exists. Do you want to replace it?");
}

TEST_F(MergePageTest, UncreatableFolderOpensTheChooser) {
    Add({Media("a.mp3", 85, 1500, 1), Media("b.mp3", 85, 1500, 1)});
    QFile blocker(dir_.filePath("file"));
    blocker.open(QIODevice::WriteOnly);
    blocker.close();
    page_->edtFolder->setText(dir_.filePath("file") + "/sub");
    page_->cmbFormat->setCurrentIndex(2);
    ui_.chosenFolder = dir_.filePath("chosen");
    Run(w_->ActMerge);
    EXPECT_TRUE(writer_.created.isEmpty());
    ASSERT_EQ(host_.infos.size(), 1);
    EXPECT_TRUE(host_.infos[0].contains("failed, please select another folder!"));
    ASSERT_EQ(ui_.folderRequests.size(), 1);
    EXPECT_TRUE(ui_.folderRequests[0].startsWith("Select Target folder|c:"));
    EXPECT_EQ(page_->edtFolder->text(), dir_.filePath("chosen"));
}

// A folder where no file can be made: read-only for a user; for root, who writes anywhere,
// /proc.
QString UnwritableFolder(const QTemporaryDir& dir) {
    if (geteuid() == 0) return QStringLiteral("/proc");
    const QString folder = dir.filePath("readonly");
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    return folder;
}

TEST_F(MergePageTest, OutputThatCannotBeMadeShowsTheErrorAndLeavesTheWindowUsable) {
    Add({Media("a.mp3", 85, 1500, 1), Media("b.mp3", 85, 1500, 1)});
    page_->edtFolder->setText(UnwritableFolder(dir_));
    page_->cmbFormat->setCurrentIndex(2);
    w_->UpdateActions();
    ASSERT_TRUE(page_->btnMerge->isEnabled());
    // Clicked as a user would, so the error travels out of the slot into the event loop.
    QTest::mouseClick(page_->btnMerge, Qt::LeftButton);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_TRUE(ui_.messages[0].text.startsWith("Cannot create ")) << ui_.messages[0].text.toStdString();
    EXPECT_EQ(ui_.messages[0].caption, AppTitle);
    EXPECT_EQ(ui_.messages[0].kind, TMessageKind::Error);
    EXPECT_TRUE(w_->isEnabled());
    EXPECT_TRUE(host_.infos.isEmpty());  // no "Success"
    // The window goes on: the next merge into a usable folder is made.
    page_->edtFolder->setText(dir_.filePath("out"));
    w_->UpdateActions();
    QTest::mouseClick(page_->btnMerge, Qt::LeftButton);
    EXPECT_EQ(writer_.created.size(), 2);
    EXPECT_EQ(writer_.created.last(), dir_.filePath("out") + "/Undefined.wav");
}

TEST_F(MergePageTest, AnErrorEscapingAnySlotIsShownAndTheLoopGoesOn) {
    QTimer::singleShot(0, w_.get(), [] { throw std::runtime_error("escaped"); });
    bool later = false;
    QTimer::singleShot(0, w_.get(), [&later] { later = true; });
    QApplication::processEvents();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "escaped");
    EXPECT_EQ(ui_.messages[0].kind, TMessageKind::Error);
    EXPECT_TRUE(later);
}

}  // namespace
