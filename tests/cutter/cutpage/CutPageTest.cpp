// The cut page inside the main window on the offscreen platform, on fake components:
// loading a source, the audio information, the position boxes and the track bar, marks
// and marker lines, rows and their default names, the grid's drop-downs, the enabling of
// the actions, dropping a file, equal segments, playback on loading and Cut Now!.
#include <gtest/gtest.h>

#include <optional>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "FakeAudio.h"
#include "cutPage.h"
#include "fakes.h"
#include "mainForm.h"
#include "TestRegistry.h"
#include "specialForm.h"
#include "workflow/Genres.h"
#include "workflow/PositionRules.h"
#include "workflow/TimeText.h"

namespace {

class CutPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        registry_.emplace(dir_.path());
        auto components = std::make_unique<TFakeComponents>(log_, 4);
        components_ = components.get();
        w_ = std::make_unique<TfrmMain>(std::move(components),
                                        TAppPaths{dir_.path(), dir_.path() + "/config", dir_.path() + "/Music"}, &ui_);
        w_->Start();
        page_ = w_->tabSplit;
        TCutServices s;
        s.readInfo = [this](const QString& path, workflow::FormatCode) {
            ++infoReads_;
            if (failInfo_) throw std::runtime_error("Unable to open the file");
            return infos_.value(path);
        };
        s.readTags = [this](const QString& path, workflow::FormatCode) { return tags_.value(path); };
        s.job = {&reader_, &reader_, &writer_, &writer_, &tags_w_, {}, {}};
        page_->SetServices(s);
        page_->MakeHost = [this] { return &host_; };
        w_->show();
        QApplication::setActiveWindow(w_.get());
    }
    void TearDown() override {
        w_.reset();
        registry_.reset();
    }

    // A file on disk that the fakes report as `ms` of audio.
    QString Source(const QString& name, std::int64_t ms, int channels = 2, std::int64_t size = 3407872) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
        TSourceInfo info;
        info.duration = ms;
        info.bitrate = 128;
        info.channels = channels;
        info.sampleRate = 44100;
        info.size = size;
        infos_[path] = info;
        reader_.durations[path] = ms;
        return path;
    }
    QString Load(const QString& name, std::int64_t ms) {
        const QString path = Source(name, ms);
        EXPECT_TRUE(page_->LoadSource(path));
        w_->UpdateActions();
        return path;
    }
    QString Cell(int row, int col) const { return page_->Segments.Text(row, col); }
    QStringList Names() const {
        QStringList n;
        for (int r = 0; r < page_->Segments.rowCount(); ++r) n << Cell(r, workflow::colName);
        return n;
    }
    void SetPosition(int ms) {
        page_->TrackBar->setValue(ms);
        QApplication::processEvents();
    }
    void Focus(QWidget* widget) {
        widget->setFocus();
        QApplication::processEvents();
    }
    bool Enabled(QAction* a) {
        w_->UpdateActions();
        return a->isEnabled();
    }

    QTemporaryDir dir_;
    std::optional<TTestRegistry> registry_;
    TCallLog log_;
    TFakeUi ui_;
    TFakeComponents* components_ = nullptr;
    fakes::FakeReader reader_;
    fakes::FakeWriter writer_;
    fakes::FakeTags tags_w_;
    fakes::FakeHost host_;
    QMap<QString, TSourceInfo> infos_;
    QMap<QString, workflow::SourceTags> tags_;
    bool failInfo_ = false;
    int infoReads_ = 0;
    std::unique_ptr<TfrmMain> w_;
    TCutPage* page_ = nullptr;
};

TEST_F(CutPageTest, InformationBoxAndTrackBarOfASource) {
    Load("song.mp3", 205120);
    EXPECT_EQ(page_->lbDuration->text(), "03:25.120");
    EXPECT_EQ(page_->lbBitrate->text(), "128");
    EXPECT_EQ(page_->lbChannels->text(), "Stereo");
    EXPECT_EQ(page_->lbSampleRate->text(), "44100 Hz");
    EXPECT_EQ(page_->lbSize->text(), "3.25 MB");
    EXPECT_EQ(page_->TrackBar->minimum(), 0);
    EXPECT_EQ(page_->TrackBar->maximum(), 205120);
    EXPECT_EQ(page_->DurationText, "03:25.120");
    EXPECT_EQ(page_->lblPos->text(), "Current Position: 00:00.000 ( Start: 00:00.000 - End: 03:25.120 ) ");
}

TEST_F(CutPageTest, ChannelNamesAndSizeTexts) {
    const char* names[] = {"", "Mono", "Stereo", "Joint Stereo", "Forced Joint Stereo", "Dual Channels", ""};
    for (int c = 0; c <= 6; ++c) EXPECT_EQ(ChannelName(c), QString(names[c])) << c;
    EXPECT_EQ(ChannelName(-1), "");
    const struct {
        std::int64_t bytes;
        const char* text;
    } sizes[] = {{0, "0.00 MB"}, {1048576, "1.00 MB"}, {1572864, "1.50 MB"}, {5000, "0.00 MB"},
                 {10480, "0.01 MB"}, {5368709120LL, "5120.00 MB"}};
    for (const auto& s : sizes) EXPECT_EQ(SizeMbText(s.bytes), QString(s.text)) << s.bytes;
    // Through the page: a mono source.
    const QString path = Source("voice.wav", 5000, 1, 1572864);
    ASSERT_TRUE(page_->LoadSource(path));
    EXPECT_EQ(page_->lbChannels->text(), "Mono");
    EXPECT_EQ(page_->lbSize->text(), "1.50 MB");
}

TEST_F(CutPageTest, LimitsFromTheDurationUntilTheTrackBarMoves) {
    Load("song.mp3", 205120);
    EXPECT_FALSE(page_->spHour->isEnabled());
    EXPECT_TRUE(page_->spMinute->isEnabled());
    EXPECT_EQ(page_->spMinute->maximum(), 3);
    EXPECT_EQ(page_->spSecond->maximum(), 59);
    EXPECT_EQ(page_->spMSec->maximum(), 120);
    Focus(page_->TrackBar);
    SetPosition(61001);
    EXPECT_EQ(page_->spMSec->maximum(), 999);
    EXPECT_EQ(page_->spMinute->value(), 1);
    EXPECT_EQ(page_->spSecond->value(), 1);
    EXPECT_EQ(page_->spMSec->value(), 1);
    // A long source enables the hour box with its hours.
    Load("long.mp3", 7200000);
    EXPECT_TRUE(page_->spHour->isEnabled());
    EXPECT_EQ(page_->spHour->maximum(), 2);
    EXPECT_EQ(page_->spMinute->maximum(), 59);
}

TEST_F(CutPageTest, TypedMinuteBeyondTheEndFallsBack) {
    Load("song.mp3", 205120);
    Focus(page_->spMinute);
    EXPECT_TRUE(page_->SpinsLinked());
    EXPECT_FALSE(page_->TrackLinked());
    page_->spMinute->selectAll();
    QTest::keyClicks(page_->spMinute, "4");
    EXPECT_EQ(page_->spMinute->value(), 3);
    EXPECT_EQ(page_->TrackBar->value(), 180000);
    Focus(page_->spSecond);
    EXPECT_EQ(page_->spMinute->text(), "03");
    // At two minutes the seconds run to 59 again; with them at 30 the minute 3 lies beyond
    // the end and falls back to 2.
    page_->spMinute->setValue(2);
    EXPECT_EQ(page_->spSecond->maximum(), 59);
    page_->spSecond->setValue(30);
    EXPECT_EQ(page_->TrackBar->value(), 150000);
    page_->spMinute->setValue(3);
    EXPECT_EQ(page_->spMinute->value(), 2);
    EXPECT_EQ(page_->TrackBar->value(), 150000);
    EXPECT_EQ(page_->lblPos->text().left(28), "Current Position: 02:30.000 ");
}

TEST_F(CutPageTest, TwoHourSourceFromNinetyToTenMinutes) {
    Load("concert.mp3", 7200000);
    Focus(page_->TrackBar);
    EXPECT_TRUE(page_->TrackLinked());
    EXPECT_FALSE(page_->SpinsLinked());
    SetPosition(5400000);
    EXPECT_EQ(page_->spHour->value(), 1);
    EXPECT_EQ(page_->spMinute->value(), 30);
    SetPosition(600000);
    EXPECT_EQ(page_->spHour->value(), 0);
    EXPECT_EQ(page_->spMinute->value(), 10);
    EXPECT_EQ(page_->spSecond->value(), 0);
    EXPECT_EQ(page_->spMSec->value(), 0);
    // While the track bar drives, a box's change does not move it.
    page_->spSecond->setValue(5);
    EXPECT_EQ(page_->TrackBar->value(), 600000);
    // Leaving the track bar hands the drive to the boxes.
    Focus(page_->edtSplitFolder);
    EXPECT_TRUE(page_->SpinsLinked());
    page_->spSecond->setValue(6);
    EXPECT_EQ(page_->TrackBar->value(), 606000);
}

// A maximum lowered for the duration's last hour, minute or second must not clamp what the
// track bar shows when it moves away, nor make a box's arrow jump the position back.
TEST_F(CutPageTest, TrackBarAcrossALoweredLimit) {
    const struct {
        std::int64_t duration;
        int h, m, s;  // typed into the boxes: the duration's last minute and second
        int to;       // then the track bar moves here
        int th, tm, ts, tz;
        const char* texts;  // the four boxes as shown
        QSpinBox* TCutPage::*arrow;
        int afterArrow;
    } rows[] = {
        {205120, 0, 3, 25, 101074, 0, 1, 41, 74, "00 01 41 074", &TCutPage::spSecond, 102074},
        {3630500, 1, 0, 30, 2710750, 0, 45, 10, 750, "00 45 10 750", &TCutPage::spMinute, 2770750},
        {3630500, 1, 0, 30, 3601009, 1, 0, 1, 9, "01 00 01 009", &TCutPage::spMSec, 3601010},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.to);
        Load(QStringLiteral("source%1.mp3").arg(r.to), r.duration);
        Focus(page_->spHour);
        if (page_->spHour->isEnabled()) page_->spHour->setValue(r.h);
        page_->spMinute->setValue(r.m);
        page_->spSecond->setValue(r.s);
        ASSERT_EQ(page_->TrackBar->value(), ((r.h * 60 + r.m) * 60 + r.s) * 1000);
        ASSERT_LT(page_->spMSec->maximum(), 999);  // the last second's limit is in force
        Focus(page_->TrackBar);
        SetPosition(r.to);
        EXPECT_EQ(page_->spHour->value(), r.th);
        EXPECT_EQ(page_->spMinute->value(), r.tm);
        EXPECT_EQ(page_->spSecond->value(), r.ts);
        EXPECT_EQ(page_->spMSec->value(), r.tz);
        const QString shown = QStringList{page_->spHour->text(), page_->spMinute->text(), page_->spSecond->text(),
                                          page_->spMSec->text()}
                                  .join(u' ');
        EXPECT_EQ(shown, QString::fromLatin1(r.texts));
        EXPECT_TRUE(page_->lblPos->text().startsWith("Current Position: " + workflow::TimeText(r.to) + " "));
        QSpinBox* arrow = page_->*r.arrow;
        Focus(arrow);
        arrow->stepUp();
        EXPECT_EQ(page_->TrackBar->value(), r.afterArrow);
    }
}

TEST_F(CutPageTest, MarksLabelAndMarkerLines) {
    Load("song.mp3", 205120);
    EXPECT_FALSE(page_->LineStart->isVisible());
    EXPECT_FALSE(page_->LineEnd->isVisible());
    SetPosition(10000);
    w_->ActSetStart->trigger();
    EXPECT_TRUE(page_->LineStart->isVisible());
    EXPECT_FALSE(page_->LineEnd->isVisible());
    SetPosition(100000);
    w_->ActSetEnd->trigger();
    EXPECT_TRUE(page_->LineEnd->isVisible());
    EXPECT_EQ(page_->Segments.StartMark(), 10000);
    EXPECT_EQ(page_->Segments.EndMark(), 100000);
    EXPECT_EQ(page_->lblPos->text(), "Current Position: 01:40.000 ( Start: 00:10.000 - End: 01:40.000 ) ");
    const int width = page_->TrackBar->width();
    EXPECT_EQ(page_->LineStart->x(), workflow::MarkerLineLeft(10000, 0, 205120, width));
    EXPECT_EQ(page_->LineStart->x(), int(10000LL * (width - 16) / 205120 + 3));
    EXPECT_EQ(page_->LineEnd->x(), int(100000LL * (width - 16) / 205120 + 3));
    EXPECT_EQ(page_->LineStart->parentWidget(), page_->TrackBar->parentWidget());
    EXPECT_LT(page_->LineStart->x(), page_->LineEnd->x());
}

TEST_F(CutPageTest, AddRefusesMarksOutOfOrderAndAddsTheWholeFileAfterLoading) {
    const QString path = Load("song.mp3", 205120);
    w_->ActAdd->trigger();
    ASSERT_EQ(page_->Segments.rowCount(), 1);
    EXPECT_EQ(Cell(0, workflow::colStart), "00:00.000");
    EXPECT_EQ(Cell(0, workflow::colEnd), "03:25.120");
    EXPECT_EQ(Cell(0, workflow::colLength), "03:25.120");
    EXPECT_EQ(Cell(0, workflow::colFormat), "MP3 (MPEG 1/2 Layer 3)");
    EXPECT_TRUE(page_->Segments.Checked(0));
    for (int start : {50000, 60000}) {
        SetPosition(start);
        w_->ActSetStart->trigger();
        SetPosition(50000);
        w_->ActSetEnd->trigger();
        ui_.messages.clear();
        w_->ActAdd->trigger();
        ASSERT_EQ(ui_.messages.size(), 1u) << start;
        EXPECT_EQ(ui_.messages[0].text, "End position must be larger than start position.");
        EXPECT_EQ(page_->Segments.rowCount(), 1);
    }
}

TEST_F(CutPageTest, DefaultNamesAndDeleteAll) {
    Load("song.mp3", 205120);
    for (int i = 0; i < 3; ++i) w_->ActAdd->trigger();
    EXPECT_EQ(Names(), QStringList({"song_1", "song_2", "song_3"}));
    page_->gridSplit->selectRow(1);
    EXPECT_TRUE(Enabled(w_->ActDelsplite));
    w_->ActDelsplite->trigger();
    w_->ActAdd->trigger();
    EXPECT_EQ(Names(), QStringList({"song_1", "song_3", "song_4"}));
    SetPosition(2000);
    w_->ActSetStart->trigger();
    w_->ActSetEnd->trigger();
    ASSERT_TRUE(Enabled(w_->ActDelSpliteall));
    w_->ActDelSpliteall->trigger();
    EXPECT_EQ(page_->Segments.rowCount(), 0);
    EXPECT_FALSE(page_->LineStart->isVisible());
    EXPECT_FALSE(page_->LineEnd->isVisible());
    EXPECT_EQ(page_->Segments.StartMark(), 0);
    EXPECT_EQ(page_->Segments.EndMark(), 0);
    SetPosition(9000);
    w_->ActSetEnd->trigger();
    w_->ActAdd->trigger();
    EXPECT_EQ(Names(), QStringList({"song_1"}));
    // Delete All sits on the Delete button's menu, beside Delete Selected.
    EXPECT_EQ(page_->btnDelete->menu()->actions(), QList<QAction*>({w_->ActDelsplite, w_->ActDelSpliteall}));
    EXPECT_EQ(w_->ActDelSpliteall->text(), "Delete All");
}

TEST_F(CutPageTest, NewRowsTakeTheSourceTags) {
    const QString path = Source("album.ogg", 30000);
    tags_[path] = {"Title", "Artist", "Album", "Jazz", "1999"};
    ASSERT_TRUE(page_->LoadSource(path));
    w_->ActAdd->trigger();
    EXPECT_EQ(Cell(0, workflow::colName), "album_1");
    EXPECT_EQ(Cell(0, workflow::colTitle), "Title");
    EXPECT_EQ(Cell(0, workflow::colArtist), "Artist");
    EXPECT_EQ(Cell(0, workflow::colAlbum), "Album");
    EXPECT_EQ(Cell(0, workflow::colGenre), "Jazz");
    EXPECT_EQ(Cell(0, workflow::colYear), "1999");
}

TEST_F(CutPageTest, GridDropDownsAndInPlaceEditing) {
    Load("song.mp3", 205120);
    w_->ActAdd->trigger();
    QTableView* grid = page_->gridSplit;
    EXPECT_EQ(grid->columnWidth(workflow::colCheck), 20);
    EXPECT_EQ(grid->columnWidth(workflow::colFormat), 120);
    EXPECT_EQ(grid->columnWidth(workflow::colYear), 60);
    const auto editor = [&](int column) -> QComboBox* {
        const QModelIndex index = page_->Segments.index(0, column);
        grid->setCurrentIndex(index);
        grid->edit(index);
        QApplication::processEvents();
        return grid->viewport()->findChild<QComboBox*>();
    };
    QComboBox* format = editor(workflow::colFormat);
    ASSERT_NE(format, nullptr);
    QStringList items;
    for (int i = 0; i < format->count(); ++i) items << format->itemText(i);
    EXPECT_EQ(items, QStringList({"MP3 (MPEG 1/2 Layer 3)", "Ogg Vorbis", "WAV", "WMA"}));
    EXPECT_TRUE(format->isEditable());
    format->lineEdit()->selectAll();
    QTest::keyClicks(format->lineEdit(), "wav");
    QTest::keyClick(format->lineEdit(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(page_->Segments.ReadFormat(0), workflow::fcWav);

    QComboBox* genre = editor(workflow::colGenre);
    ASSERT_NE(genre, nullptr);
    ASSERT_EQ(genre->count(), 148);
    EXPECT_EQ(genre->itemText(0), "Blues");
    EXPECT_EQ(genre->itemText(147), "SynthPop");
    for (int i = 0; i < genre->count(); ++i) EXPECT_EQ(genre->itemText(i), workflow::GenreList()[i]);
    genre->setEditText("Chiptune");
    QTest::keyClick(genre->lineEdit(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(Cell(0, workflow::colGenre), "Chiptune");

    const Qt::ItemFlags editable = Qt::ItemIsEditable;
    for (int c = 0; c < workflow::kSegmentColumns; ++c) {
        const bool inPlace = c == 0 || c >= workflow::colFormat;
        const Qt::ItemFlags f = page_->Segments.flags(page_->Segments.index(0, c));
        EXPECT_EQ(bool(f & (c == 0 ? Qt::ItemIsUserCheckable : editable)), inPlace) << c;
    }
}

TEST_F(CutPageTest, EnablingOfEveryAction) {
    QAction* segment[] = {w_->ActSetStart, w_->ActSetEnd, w_->ActAdd, w_->ActSplay};
    for (QAction* a : segment) EXPECT_FALSE(Enabled(a)) << a->objectName().toStdString();
    for (QAction* a : {w_->ActEqual, w_->ActSplit, w_->ActDelsplite, w_->ActDelSpliteall})
        EXPECT_FALSE(Enabled(a)) << a->objectName().toStdString();
    EXPECT_TRUE(Enabled(w_->ActSelectSource));
    EXPECT_FALSE(page_->TrackBar->isEnabled());
    EXPECT_FALSE(page_->btnDelete->isEnabled());

    Load("song.mp3", 205120);
    for (QAction* a : segment) EXPECT_TRUE(Enabled(a)) << a->objectName().toStdString();
    EXPECT_TRUE(page_->TrackBar->isEnabled());
    EXPECT_TRUE(Enabled(w_->ActEqual));
    EXPECT_FALSE(Enabled(w_->ActSplit));  // no rows
    EXPECT_FALSE(Enabled(w_->ActDelSpliteall));
    w_->ActAdd->trigger();
    EXPECT_TRUE(Enabled(w_->ActSplit));
    EXPECT_TRUE(Enabled(w_->ActDelSpliteall));
    EXPECT_FALSE(Enabled(w_->ActDelsplite));  // nothing selected
    EXPECT_TRUE(page_->btnDelete->isEnabled());
    page_->gridSplit->selectRow(0);
    EXPECT_TRUE(Enabled(w_->ActDelsplite));
    // The buttons follow their actions.
    EXPECT_TRUE(page_->btnSplit->isEnabled());
    EXPECT_TRUE(page_->btnSegment->isEnabled());
    EXPECT_EQ(page_->btnSegment->text(), "Segment");
    // Cut Now! needs the file itself.
    QFile::remove(page_->edtSourceFile->text());
    EXPECT_FALSE(Enabled(w_->ActSplit));
    EXPECT_FALSE(page_->btnSplit->isEnabled());
    EXPECT_EQ(w_->ActEqual->text(), "Split to equal segments");
}

TEST_F(CutPageTest, SourceOfAHundredMillisecondsKeepsSegmentActionsDisabled) {
    Load("click.wav", 100);
    EXPECT_EQ(page_->lbDuration->text(), "00:00.100");
    for (QAction* a : {w_->ActSetStart, w_->ActSetEnd, w_->ActAdd, w_->ActSplay})
        EXPECT_FALSE(Enabled(a)) << a->objectName().toStdString();
    EXPECT_FALSE(page_->TrackBar->isEnabled());
    EXPECT_TRUE(Enabled(w_->ActEqual));  // the duration text is there
    Load("click2.wav", 101);
    EXPECT_TRUE(Enabled(w_->ActAdd));
}

TEST_F(CutPageTest, LoadingResetsThePageAndAFailureShowsTheComponentsText) {
    Load("song.mp3", 205120);
    w_->ActAdd->trigger();
    SetPosition(5000);
    w_->ActSetStart->trigger();
    const QString other = Source("other.mp3", 60000);
    failInfo_ = true;
    ui_.messages.clear();
    EXPECT_FALSE(page_->LoadSource(other));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "Unable to open the file");
    EXPECT_EQ(page_->edtSourceFile->text(), other);
    EXPECT_EQ(page_->Segments.rowCount(), 0);
    EXPECT_TRUE(page_->DurationText.isEmpty());
    EXPECT_EQ(page_->Segments.StartMark(), 0);
    EXPECT_EQ(page_->Segments.EndMark(), 0);
    EXPECT_FALSE(page_->LineStart->isVisible());
    // Nothing of the previous file is left to mark segments against.
    EXPECT_EQ(page_->TrackBar->maximum(), 100);
    EXPECT_TRUE(page_->lbDuration->text().isEmpty());
    EXPECT_FALSE(Enabled(w_->ActAdd));
    EXPECT_FALSE(Enabled(w_->ActEqual));
    // An unknown extension is refused before anything changes.
    failInfo_ = false;
    Load("song.mp3", 205120);
    const int reads = infoReads_;
    ui_.messages.clear();
    EXPECT_FALSE(page_->LoadSource(dir_.filePath("notes.txt")));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_TRUE(ui_.messages[0].text.contains("is not an MP3, Ogg Vorbis, WAV or WMA file"));
    EXPECT_EQ(page_->DurationText, "03:25.120");
    EXPECT_EQ(infoReads_, reads);
}

TEST_F(CutPageTest, SourceDialogChoosesOrChangesNothing) {
    const QString path = Source("song.mp3", 205120);
    int asked = 0;
    page_->ChooseSource = [&] {
        ++asked;
        return QString();
    };
    page_->btnSourceFile->click();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(page_->edtSourceFile->text().isEmpty());
    page_->ChooseSource = [&] { return path; };
    w_->ActSelectSource->trigger();
    EXPECT_EQ(page_->edtSourceFile->text(), path);
    EXPECT_EQ(page_->TrackBar->maximum(), 205120);
}

TEST_F(CutPageTest, DroppedFileBecomesTheSource) {
    const QString path = Source("dropped.ogg", 42000);
    const auto drop = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(100, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(page_, &enter);
        const bool accepted = enter.isAccepted();
        if (accepted) {
            QDropEvent dropped(QPointF(100, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(page_, &dropped);
        }
        return accepted;
    };
    EXPECT_FALSE(drop({QUrl("https://example.org/remote.mp3")}));
    EXPECT_TRUE(page_->edtSourceFile->text().isEmpty());
    EXPECT_TRUE(drop({QUrl::fromLocalFile(path)}));
    EXPECT_EQ(page_->edtSourceFile->text(), path);
    EXPECT_EQ(page_->lbDuration->text(), "00:42.000");
    // An unknown extension gets the page's refusal.
    const QString text = dir_.filePath("readme.txt");
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    ui_.messages.clear();
    EXPECT_TRUE(drop({QUrl::fromLocalFile(text)}));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(page_->edtSourceFile->text(), path);
}

TEST_F(CutPageTest, EqualSegmentsThroughTheSegmentButton) {
    Load("song.mp3", 10000);
    w_->ActAdd->trigger();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* dlg = qobject_cast<TfrmSpecial*>(top); dlg && dlg->isVisible()) {
                seen = true;
                dlg->edtCount->setValue(3);
                dlg->btnOK->click();
            }
    });
    page_->btnSegment->click();
    ASSERT_TRUE(seen);
    ASSERT_EQ(page_->Segments.rowCount(), 3);
    EXPECT_EQ(Cell(0, workflow::colEnd), "00:03.333");
    EXPECT_EQ(Cell(2, workflow::colEnd), "00:10.000");
    EXPECT_EQ(Names(), QStringList({"song_1", "song_2", "song_3"}));
}

TEST_F(CutPageTest, LoadingANewSourceStopsThePlayingOne) {
    Load("song.mp3", 205120);
    w_->UpdateActions();
    ASSERT_TRUE(w_->ActSplay->isEnabled());
    page_->btnSplitPlay->click();
    ASSERT_TRUE(components_->Cut().playing);
    EXPECT_EQ(page_->btnSplitPlay->text(), "Stop");
    log_.calls.clear();
    Load("other.mp3", 60000);
    EXPECT_FALSE(components_->Cut().playing);
    EXPECT_TRUE(log_.calls.contains("CutPlayer Stop"));
    EXPECT_EQ(page_->btnSplitPlay->text(), "Play");
    // A source that fails to read stops the playing one too: both use the same readers.
    page_->btnSplitPlay->click();
    ASSERT_TRUE(components_->Cut().playing);
    failInfo_ = true;
    EXPECT_FALSE(page_->LoadSource(Source("broken.mp3", 1000)));
    EXPECT_FALSE(components_->Cut().playing);
    EXPECT_TRUE(reader_.open.isEmpty());
}

TEST_F(CutPageTest, CutNowWritesTheCheckedRows) {
    const QString path = Load("song.wav", 205120);
    w_->ActAdd->trigger();
    SetPosition(60000);
    w_->ActSetEnd->trigger();
    w_->ActAdd->trigger();
    page_->Segments.SetChecked(0, false);
    page_->edtSplitFolder->setText(dir_.filePath("cuts"));
    ASSERT_TRUE(Enabled(w_->ActSplit));
    w_->ActSplit->trigger();
    EXPECT_EQ(writer_.created, QStringList({dir_.filePath("cuts") + "/song_2.mp3"}));
    EXPECT_EQ(writer_.written.value(dir_.filePath("cuts") + "/song_2.mp3"), 60000);
    EXPECT_EQ(host_.progressShown, 1);
    EXPECT_EQ(host_.progressClosed, 1);
    EXPECT_TRUE(w_->isEnabled());
}

}  // namespace
