// The segmentation dialog on the offscreen platform: its controls and enabling, the time
// boxes giving way to the limit, the OK check, and the rows it leaves in the segment list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <vector>

#include "SpecialTestSupport.h"
#include "specialForm.h"
#include "workflow/TimeText.h"

using workflow::colEnd;
using workflow::colLength;
using workflow::colName;
using workflow::colStart;

namespace {

TSpecialSource Source(const QString& durationText, std::int64_t ms) {
    TSpecialSource s;
    s.durationText = durationText;
    s.durationMs = ms;
    return s;
}

TSpecialSource WithSelection(TSpecialSource s, const QString& start, const QString& end,
                             const QString& length) {
    s.hasSelection = true;
    s.startText = start;
    s.endText = end;
    s.lengthText = length;
    return s;
}

// Types a value into a spin box as the user would: select its text, type the digits.
void Type(QSpinBox* box, int value) {
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QString::number(value));
}

struct RowSpan {
    const char *start, *end, *length;
};

void ExpectRows(const workflow::SegmentList& list, const std::vector<RowSpan>& rows) {
    ASSERT_EQ(list.rowCount(), static_cast<int>(rows.size()));
    for (int i = 0; i < list.rowCount(); ++i) {
        EXPECT_EQ(list.Text(i, colStart), rows[i].start) << "row " << i;
        EXPECT_EQ(list.Text(i, colEnd), rows[i].end) << "row " << i;
        EXPECT_EQ(list.Text(i, colLength), rows[i].length) << "row " << i;
    }
}

QStringList Names(const workflow::SegmentList& list) {
    QStringList names;
    for (int i = 0; i < list.rowCount(); ++i) names << list.Text(i, colName);
    return names;
}

}  // namespace

TEST(SpecialForm, ControlsAtStart) {
    TRecordingUi ui;
    TfrmSpecial dlg(nullptr, ui, Source("00:10.000", 10000));
    EXPECT_EQ(dlg.windowTitle(), "Split equal parts");
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());  // fixed border
    for (const char* name : {"rdWhole", "rdSelectTrack", "lblCaption", "rdCount", "edtCount", "rdFixedTime",
                             "spHour", "spMinute", "spSecond", "spMSecond", "lblMaxvalue"})
        EXPECT_NE(dlg.findChild<QWidget*>(name), nullptr) << name;
    EXPECT_EQ(dlg.rdWhole->text(), "Whole audio file");
    EXPECT_EQ(dlg.rdSelectTrack->text(), "Selected part");
    EXPECT_EQ(dlg.rdCount->text(), "by Segments count:");
    EXPECT_EQ(dlg.rdFixedTime->text(), "by Time Point:");
    EXPECT_EQ(dlg.btnOK->text(), "OK");
    EXPECT_EQ(dlg.btnCancel->text(), "Cancel");

    EXPECT_TRUE(dlg.rdWhole->isChecked());
    EXPECT_TRUE(dlg.rdCount->isChecked());
    EXPECT_TRUE(dlg.edtCount->isEnabled());
    EXPECT_EQ(dlg.edtCount->minimum(), 1);
    EXPECT_EQ(dlg.edtCount->maximum(), 20);
    EXPECT_EQ(dlg.edtCount->value(), 3);
    for (QSpinBox* box : {dlg.spHour, dlg.spMinute, dlg.spSecond, dlg.spMSecond}) {
        EXPECT_FALSE(box->isEnabled()) << box->objectName().toStdString();
        EXPECT_EQ(box->value(), 0);
    }
    EXPECT_EQ(dlg.spMinute->maximum(), 59);
    EXPECT_EQ(dlg.spSecond->maximum(), 59);
    EXPECT_EQ(dlg.spMSecond->maximum(), 999);
    EXPECT_EQ(dlg.lblMaxvalue->text(), "Maximum Value: 00:10.000");
    EXPECT_TRUE(dlg.lblCaption->text().isEmpty());
}

TEST(SpecialForm, SelectedPartOnlyWithASelectedRow) {
    TRecordingUi ui;
    TfrmSpecial none(nullptr, ui, Source("00:30.000", 30000));
    EXPECT_FALSE(none.rdSelectTrack->isEnabled());

    TfrmSpecial dlg(nullptr, ui,
                    WithSelection(Source("00:30.000", 30000), "00:10.000", "00:20.000", "00:10.000"));
    dlg.show();
    ASSERT_TRUE(dlg.rdSelectTrack->isEnabled());
    QTest::mouseClick(dlg.rdSelectTrack, Qt::LeftButton);
    ASSERT_TRUE(dlg.rdSelectTrack->isChecked());
    EXPECT_EQ(dlg.lblCaption->text(), "from 00:10.000 to 00:20.000");
    EXPECT_EQ(dlg.lblMaxvalue->text(), "Maximum Value: 00:10.000");
    EXPECT_EQ(dlg.Limit(), 10000);
    QTest::mouseClick(dlg.rdWhole, Qt::LeftButton);
    EXPECT_TRUE(dlg.lblCaption->text().isEmpty());
    EXPECT_EQ(dlg.lblMaxvalue->text(), "Maximum Value: 00:30.000");
    EXPECT_EQ(dlg.Limit(), 30000);
}

TEST(SpecialForm, MethodEnablesItsBoxes) {
    struct Case {
        const char* durationText;
        std::int64_t ms;
        bool hourEnabled;
    };
    const Case cases[] = {
        {"59:59.999", 3599999, false},
        {"01:00:00.000", 3600000, true},
        {"02:00:00.000", 7200000, true},
        {"100:00:00.000", 360000000, true},
    };
    for (const Case& c : cases) {
        TRecordingUi ui;
        TfrmSpecial dlg(nullptr, ui, Source(c.durationText, c.ms));
        dlg.show();
        QTest::mouseClick(dlg.rdFixedTime, Qt::LeftButton);
        ASSERT_TRUE(dlg.rdFixedTime->isChecked()) << c.durationText;
        EXPECT_FALSE(dlg.edtCount->isEnabled()) << c.durationText;
        EXPECT_EQ(dlg.spHour->isEnabled(), c.hourEnabled) << c.durationText;
        EXPECT_TRUE(dlg.spMinute->isEnabled()) << c.durationText;
        EXPECT_TRUE(dlg.spSecond->isEnabled()) << c.durationText;
        EXPECT_TRUE(dlg.spMSecond->isEnabled()) << c.durationText;
        QTest::mouseClick(dlg.rdCount, Qt::LeftButton);
        EXPECT_TRUE(dlg.edtCount->isEnabled()) << c.durationText;
        for (QSpinBox* box : {dlg.spHour, dlg.spMinute, dlg.spSecond, dlg.spMSecond})
            EXPECT_FALSE(box->isEnabled()) << c.durationText << " " << box->objectName().toStdString();
    }
}

// Each row: the limit, the boxes set before (h, m, s, ms, within the limit), the box then
// typed into with its value, and the four boxes afterwards. Only the box just changed gives
// way, and it keeps the largest value that fits.
TEST(SpecialForm, TimeBoxJustChangedGivesWay) {
    enum Box { H, M, S, Ms };
    struct Case {
        const char* durationText;
        std::int64_t ms;
        int before[4];
        Box typed;
        int value;
        int after[4];
    };
    const Case cases[] = {
        {"03:25.120", 205120, {0, 0, 0, 0}, M, 4, {0, 3, 0, 0}},
        {"03:25.120", 205120, {0, 3, 0, 0}, S, 30, {0, 3, 25, 0}},
        {"03:25.120", 205120, {0, 3, 25, 0}, Ms, 500, {0, 3, 25, 120}},
        {"03:25.120", 205120, {0, 3, 25, 0}, Ms, 120, {0, 3, 25, 120}},
        {"00:10.000", 10000, {0, 0, 0, 0}, S, 15, {0, 0, 10, 0}},
        {"00:10.000", 10000, {0, 0, 10, 0}, Ms, 1, {0, 0, 10, 0}},
        {"00:10.000", 10000, {0, 0, 0, 0}, M, 1, {0, 0, 0, 0}},
        {"02:00:00.000", 7200000, {0, 0, 0, 0}, H, 3, {2, 0, 0, 0}},
        {"02:00:00.000", 7200000, {2, 0, 0, 0}, M, 1, {2, 0, 0, 0}},
        {"02:00:00.000", 7200000, {1, 59, 59, 0}, Ms, 999, {1, 59, 59, 999}},
    };
    for (const Case& c : cases) {
        TRecordingUi ui;
        TfrmSpecial dlg(nullptr, ui, Source(c.durationText, c.ms));
        dlg.show();
        QTest::mouseClick(dlg.rdFixedTime, Qt::LeftButton);
        QSpinBox* boxes[] = {dlg.spHour, dlg.spMinute, dlg.spSecond, dlg.spMSecond};
        for (int i = 0; i < 4; ++i) boxes[i]->setValue(c.before[i]);
        Type(boxes[c.typed], c.value);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(boxes[i]->value(), c.after[i]) << c.durationText << " typed " << c.value << " into "
                                                     << boxes[c.typed]->objectName().toStdString() << ", box "
                                                     << boxes[i]->objectName().toStdString();
        EXPECT_LE(dlg.TimePoint(), c.ms) << c.durationText;
    }
}

TEST(SpecialForm, TimeBoxesFollowTheSelectedRowsLimit) {
    TRecordingUi ui;
    TfrmSpecial dlg(nullptr, ui,
                    WithSelection(Source("05:00.000", 300000), "00:10.000", "00:20.000", "00:10.000"));
    dlg.show();
    QTest::mouseClick(dlg.rdSelectTrack, Qt::LeftButton);
    QTest::mouseClick(dlg.rdFixedTime, Qt::LeftButton);
    Type(dlg.spSecond, 45);
    EXPECT_EQ(dlg.spSecond->value(), 10);
}

class SpecialRun : public ::testing::Test {
protected:
    void Load(const QString& name, std::int64_t ms) {
        duration = ms;
        durationText = workflow::TimeText(ms);
        list.LoadSource("/music/" + name, ms, {"Title", "Artist", "Album", "Jazz", "2024"});
    }
    void AddRow(std::int64_t start, std::int64_t end) { list.AppendRow(start, end); }
    bool Run(int selected, const std::function<void(TfrmSpecial&)>& drive) {
        return RunEqualSegments(nullptr, ui, list, selected, durationText, duration, drive);
    }

    TRecordingUi ui;
    workflow::SegmentList list;
    std::int64_t duration = 0;
    QString durationText;
};

// Chooses "by Time Point:" and types h:m:s.ms into the boxes.
void ChooseTimePoint(TfrmSpecial& d, int h, int m, int s, int ms) {
    QTest::mouseClick(d.rdFixedTime, Qt::LeftButton);
    if (d.spHour->isEnabled()) Type(d.spHour, h);
    Type(d.spMinute, m);
    Type(d.spSecond, s);
    Type(d.spMSecond, ms);
}

TEST_F(SpecialRun, WholeFileInThreePieces) {
    Load("song.mp3", 10000);
    ASSERT_TRUE(Run(-1, [](TfrmSpecial& d) { QTest::mouseClick(d.btnOK, Qt::LeftButton); }));
    ExpectRows(list, {{"00:00.000", "00:03.333", "00:03.333"},
                      {"00:03.333", "00:06.666", "00:03.333"},
                      {"00:06.666", "00:10.000", "00:03.334"}});
    EXPECT_EQ(Names(list), QStringList({"song_1", "song_2", "song_3"}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(list.Checked(i));
        EXPECT_EQ(list.Text(i, workflow::colFormat), workflow::kFormatMp3Text);
        EXPECT_EQ(list.Text(i, workflow::colArtist), "Artist");
        EXPECT_EQ(list.Text(i, workflow::colYear), "2024");
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SpecialRun, WholeFileByTimePoint) {
    struct Case {
        std::int64_t duration;
        int seconds;
        std::vector<RowSpan> rows;
    };
    const Case cases[] = {
        {10500,
         3,
         {{"00:00.000", "00:03.000", "00:03.000"},
          {"00:03.000", "00:06.000", "00:03.000"},
          {"00:06.000", "00:09.000", "00:03.000"},
          {"00:09.000", "00:10.500", "00:01.500"}}},
        {9000,
         3,
         {{"00:00.000", "00:03.000", "00:03.000"},
          {"00:03.000", "00:06.000", "00:03.000"},
          {"00:06.000", "00:09.000", "00:03.000"}}},
        {9000, 9, {{"00:00.000", "00:09.000", "00:09.000"}}},
    };
    for (const Case& c : cases) {
        Load("song.mp3", c.duration);
        ASSERT_TRUE(Run(-1, [&](TfrmSpecial& d) {
            ChooseTimePoint(d, 0, 0, c.seconds, 0);
            QTest::mouseClick(d.btnOK, Qt::LeftButton);
        })) << c.duration;
        ExpectRows(list, c.rows);
    }
}

TEST_F(SpecialRun, WholeFileReplacesEveryRowAndRestartsTheNames) {
    Load("song.mp3", 60000);
    AddRow(0, 5000);
    AddRow(5000, 9000);
    list.SetStartMark(1000);
    list.SetEndMark(2000);
    ASSERT_TRUE(Run(0, [](TfrmSpecial& d) {
        d.edtCount->setValue(2);
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
    }));
    ExpectRows(list, {{"00:00.000", "00:30.000", "00:30.000"}, {"00:30.000", "01:00.000", "00:30.000"}});
    EXPECT_EQ(Names(list), QStringList({"song_1", "song_2"}));
    EXPECT_EQ(list.StartMark(), 0);
    EXPECT_EQ(list.EndMark(), 0);
}

TEST_F(SpecialRun, SelectedRowIsReplacedByPiecesAtTheEnd) {
    Load("song.mp3", 30000);
    AddRow(0, 10000);
    AddRow(10000, 20000);
    AddRow(20000, 30000);
    ASSERT_TRUE(Run(1, [](TfrmSpecial& d) {
        QTest::mouseClick(d.rdSelectTrack, Qt::LeftButton);
        d.edtCount->setValue(2);
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
    }));
    ExpectRows(list, {{"00:00.000", "00:10.000", "00:10.000"},
                      {"00:20.000", "00:30.000", "00:10.000"},
                      {"00:10.000", "00:15.000", "00:05.000"},
                      {"00:15.000", "00:20.000", "00:05.000"}});
    // A name of the source's own base frees no number: the new ones continue after song_3.
    EXPECT_EQ(Names(list), QStringList({"song_1", "song_3", "song_4", "song_5"}));
}

TEST_F(SpecialRun, SelectedRowByTimePoint) {
    Load("song.mp3", 30000);
    AddRow(10000, 20000);
    ASSERT_TRUE(Run(0, [](TfrmSpecial& d) {
        QTest::mouseClick(d.rdSelectTrack, Qt::LeftButton);
        ChooseTimePoint(d, 0, 0, 3, 0);
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
    }));
    ExpectRows(list, {{"00:10.000", "00:13.000", "00:03.000"},
                      {"00:13.000", "00:16.000", "00:03.000"},
                      {"00:16.000", "00:19.000", "00:03.000"},
                      {"00:19.000", "00:20.000", "00:01.000"}});
}

TEST_F(SpecialRun, DeletedUndefinedRowGivesItsNumberToThePieces) {
    Load("Undefined.wav", 30000);
    AddRow(0, 10000);
    AddRow(10000, 20000);
    AddRow(20000, 30000);
    ASSERT_TRUE(Run(1, [](TfrmSpecial& d) {
        QTest::mouseClick(d.rdSelectTrack, Qt::LeftButton);
        d.edtCount->setValue(2);
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
    }));
    EXPECT_EQ(Names(list), QStringList({"Undefined_1", "Undefined_3", "Undefined_2", "Undefined_4"}));
}

TEST_F(SpecialRun, TimePointZeroClosesAndChangesNothing) {
    Load("song.mp3", 10000);
    AddRow(0, 4000);
    bool closed = false;
    EXPECT_FALSE(Run(-1, [&](TfrmSpecial& d) {
        QTest::mouseClick(d.rdFixedTime, Qt::LeftButton);
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
        closed = !d.isVisible();
    }));
    EXPECT_TRUE(closed);
    ExpectRows(list, {{"00:00.000", "00:04.000", "00:04.000"}});
    EXPECT_EQ(list.UsedNumbers(), QStringList({"1"}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SpecialRun, CancelChangesNothing) {
    Load("song.mp3", 10000);
    AddRow(0, 4000);
    EXPECT_FALSE(Run(0, [](TfrmSpecial& d) {
        d.edtCount->setValue(5);
        QTest::mouseClick(d.btnCancel, Qt::LeftButton);
    }));
    ExpectRows(list, {{"00:00.000", "00:04.000", "00:04.000"}});
}

TEST_F(SpecialRun, TimePointBeyondTheLimitIsRefusedAndTheDialogStays) {
    Load("song.mp3", 30000);
    AddRow(10000, 15000);
    bool stayedOpen = false;
    EXPECT_FALSE(Run(0, [&](TfrmSpecial& d) {
        // 20 s fits the whole file; the selected part allows 5 s only.
        ChooseTimePoint(d, 0, 0, 20, 0);
        ASSERT_EQ(d.TimePoint(), 20000);
        QTest::mouseClick(d.rdSelectTrack, Qt::LeftButton);
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
        stayedOpen = d.isVisible();
        QTest::mouseClick(d.btnCancel, Qt::LeftButton);
    }));
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Split Equal Parts");
    EXPECT_EQ(ui.messages[0].text, "the Time Point out of the Maximum value!");
    EXPECT_EQ(ui.messages[0].kind, TMessageKind::Information);
    ExpectRows(list, {{"00:10.000", "00:15.000", "00:05.000"}});
}

TEST_F(SpecialRun, RefusedPointCanBeCorrectedAndAccepted) {
    Load("song.mp3", 30000);
    AddRow(10000, 15000);
    ASSERT_TRUE(Run(0, [&](TfrmSpecial& d) {
        ChooseTimePoint(d, 0, 0, 20, 0);
        QTest::mouseClick(d.rdSelectTrack, Qt::LeftButton);
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
        Type(d.spSecond, 2);
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
    }));
    EXPECT_EQ(ui.messages.size(), 1u);
    ExpectRows(list, {{"00:10.000", "00:12.000", "00:02.000"},
                      {"00:12.000", "00:14.000", "00:02.000"},
                      {"00:14.000", "00:15.000", "00:01.000"}});
}

// A point left in the boxes is not used by a split by count, so it is not checked.
TEST_F(SpecialRun, CountIsNotRefusedForAnUnusedTimePoint) {
    Load("song.mp3", 30000);
    AddRow(10000, 15000);
    ASSERT_TRUE(Run(0, [&](TfrmSpecial& d) {
        ChooseTimePoint(d, 0, 0, 20, 0);
        QTest::mouseClick(d.rdSelectTrack, Qt::LeftButton);
        QTest::mouseClick(d.rdCount, Qt::LeftButton);
        d.edtCount->setValue(5);
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
    }));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(list.rowCount(), 5);
    EXPECT_EQ(list.Text(4, colEnd), "00:15.000");
}

TEST(ApplyEqualSegments, NothingToSplit) {
    workflow::SegmentList list;
    list.LoadSource("/music/song.mp3", 10000, {});
    list.AppendRow(0, 4000);
    struct Case {
        const char* what;
        int selected;
        TEqualSegments choice;
        std::int64_t duration;
    };
    const Case cases[] = {
        {"no selected row", -1, {false, true, 3, 0}, 10000},
        {"selected row past the end", 5, {false, true, 3, 0}, 10000},
        {"time point 0 on the selected row", 0, {false, false, 3, 0}, 10000},
        {"time point 0 on the whole file", -1, {true, false, 3, 0}, 10000},
        {"whole file of no length", -1, {true, true, 3, 0}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(ApplyEqualSegments(list, c.selected, c.choice, c.duration)) << c.what;
        ExpectRows(list, {{"00:00.000", "00:04.000", "00:04.000"}});
    }
}
