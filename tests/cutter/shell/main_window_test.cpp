// The main window on the offscreen platform: start-up order, pages, menus, About, Exit,
// the settings at close and at the next start, the settings page and the writer setup.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "aboutForm.h"
#include "cutPage.h"
#include "fakes.h"
#include "mainForm.h"
#include "mergePage.h"
#include "registry/registry.h"
#include "settingsPage.h"
#include "toolbarPanel.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        registry_ = (dir_.path() + QStringLiteral("/registry")).toUtf8();
        QDir().mkpath(QString::fromUtf8(registry_));
        PlatformSetRegistryDir(registry_.constData());
        paths_.programDir = dir_.path() + QStringLiteral("/bin");
        paths_.configDir = dir_.path() + QStringLiteral("/config");
        paths_.musicDir = dir_.path() + QStringLiteral("/Music");
        QDir().mkpath(paths_.programDir);
    }
    void TearDown() override { PlatformSetRegistryDir(nullptr); }

    // A started main window on fake components offering `wmaCount` WMA formats.
    std::unique_ptr<TfrmMain> Open(int wmaCount = 40) {
        auto components = std::make_unique<TFakeComponents>(log_, wmaCount);
        components_ = components.get();
        auto w = std::make_unique<TfrmMain>(std::move(components), paths_, &ui_);
        w->Start();
        return w;
    }

    void StoreInt(const char16_t* name, DWORD v) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v));
        RegCloseKey(key);
    }
    void StoreString(const char16_t* name, const std::u16string& s) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(s.c_str()), DWORD((s.size() + 1) * 2));
        RegCloseKey(key);
    }

    static QStringList MenuTexts(QMenu* menu) {
        QStringList texts;
        for (QAction* a : menu->actions())
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return texts;
    }

    QTemporaryDir dir_;
    QByteArray registry_;
    TAppPaths paths_;
    TCallLog log_;
    TFakeUi ui_;
    TFakeComponents* components_ = nullptr;
};

}  // namespace

TEST_F(MainWindowTest, StartUpCreatesComponentsBeforeLoadingSettings) {
    StoreInt(u"outFormat", 3);
    StoreInt(u"wmaFormat", 45);
    auto w = Open(40);
    // The stored WMA page is shown, read from the list that was created first.
    const QStringList expected{"create WmaFormatSettings", "construct file components", "construct players",
                               "FormatGroup 0", "FormatCount"};
    ASSERT_GE(log_.calls.size(), expected.size());
    EXPECT_EQ(log_.calls.mid(0, expected.size()), expected);
    EXPECT_EQ(log_.calls.count(QStringLiteral("FormatCount")), 1);
    EXPECT_TRUE(w->tabSettings->CheckList->button(3)->isChecked());
    EXPECT_EQ(w->tabSettings->Noteformat->currentIndex(), 1);
    EXPECT_EQ(w->tabSettings->cmbWMAQuality->count(), 40);
    EXPECT_EQ(w->tabSettings->cmbWMAQuality->currentIndex(), 39);
    EXPECT_EQ(w->tabSettings->cmbWMAQuality->itemText(0), "WMA format 0");
    EXPECT_EQ(w->Params().wmaFormat, 45);  // shown as the last item, kept as stored
    EXPECT_EQ(w->ShownPage(), pgCut);
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(MainWindowTest, MissingWmaComponentIsReportedAndTheWindowStillStarts) {
    auto components = std::make_unique<TFakeComponents>(log_, 40);
    components->failWma = true;
    StoreInt(u"outFormat", 3);
    TfrmMain w(std::move(components), paths_, &ui_);
    w.Start();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "Class not registered");
    EXPECT_EQ(w.tabSettings->cmbWMAQuality->count(), 0);
    EXPECT_FALSE(w.ConfigureWriter(fcWma));
    EXPECT_EQ(ui_.messages.size(), 2u);
    EXPECT_TRUE(w.ConfigureWriter(fcMp3));
}

TEST_F(MainWindowTest, FrameCaptionSizeMenus) {
    auto w = Open();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    EXPECT_EQ(w->windowTitle(), "Tarvel Free Audio Cutter");
    EXPECT_EQ(w->centralWidget()->size(), QSize(732, 535));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(w->pnlToolbar->height(), 65);
    EXPECT_EQ(w->pnlToolbar->width(), 732);

    QStringList menus;
    for (QAction* a : w->menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, QStringList({"Files", "Cut", "Merge", "Software", "&Help"}));
    EXPECT_EQ(MenuTexts(w->mnuFiles), QStringList({"Cut Audio", "Merge Audio", "Settings", "-", "Exit"}));
    // Items added later come after the designed ones.
    const QStringList cut = MenuTexts(w->mnuCut);
    EXPECT_EQ(cut.mid(0, 11),
              QStringList({"Select Source File", "Select Target Folder", "-", "Set Start", "Set End", "Add to Queue",
                           "Delete Selected", "Split to equal segments", "Play", "-", "Cut Now!"}));
    EXPECT_GT(cut.indexOf("Play Segment"), 10);
    EXPECT_GT(cut.indexOf("Waveform"), 10);
    // the segment tools follow, in their order
    EXPECT_EQ(cut.mid(cut.indexOf("Import Cue Sheet..."), 9),
              QStringList({"Import Cue Sheet...", "Export Cue Sheet...", "Import Labels...", "Export Labels...",
                           "-", "Split at Silence...", "-", "Undo", "Redo"}));
    EXPECT_EQ(MenuTexts(w->mnuMerge), QStringList({"Add", "Delete Selected", "Move up", "Move down", "-", "P&rior",
                                                   "&Play", "&Next", "&Stop", "-", "Merge Now!"}));
    EXPECT_EQ(MenuTexts(w->mnuHelp), QStringList({"Website...", "-", "About..."}));
    EXPECT_FALSE(w->mnuSoftware->actions().isEmpty());

    QStringList buttons;
    for (QToolButton* b : {w->btnCutAudio, w->btnMergeAudio, w->btnSettings, w->btnWebsite, w->btnAbout})
        buttons << b->text();
    EXPECT_EQ(buttons, QStringList({"Cut Audio", "Merge Audio", "Settings", "Website", "About"}));
    // Left to right.
    EXPECT_LT(w->btnCutAudio->x(), w->btnMergeAudio->x());
    EXPECT_LT(w->btnSettings->x(), w->btnWebsite->x());
    EXPECT_LT(w->btnWebsite->x(), w->btnAbout->x());

    // Commands whose workflow has not registered an update step stay disabled; the
    // target folder chooser works.
    w->UpdateActions();
    for (QAction* a : {w->ActSplit, w->ActMerge, w->ActSetStart, w->ActMplay})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_TRUE(w->ActSelectTarget->isEnabled());
    bool enabled = false;
    w->SetActionUpdate(w->ActSplit, [&] { return enabled; });
    EXPECT_FALSE(w->ActSplit->isEnabled());
    enabled = true;
    w->UpdateActions();
    EXPECT_TRUE(w->ActSplit->isEnabled());
}

TEST_F(MainWindowTest, PageSwitchingByToolbarAndMenu) {
    auto w = Open();
    w->show();
    QAction* pages[] = {w->ActCutAudio, w->ActMergeAudio, w->ActSettings};
    QToolButton* buttons[] = {w->btnCutAudio, w->btnMergeAudio, w->btnSettings};
    const auto expectShown = [&](int page) {
        EXPECT_EQ(w->ShownPage(), page);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(pages[i]->isChecked(), i == page) << i;
            EXPECT_EQ(buttons[i]->isChecked(), i == page) << i;
        }
    };
    expectShown(pgCut);
    QList<int> changes;
    QObject::connect(w.get(), &TfrmMain::PageChanged, [&](int p) { changes << p; });

    QTest::mouseClick(w->btnSettings, Qt::LeftButton);
    expectShown(pgSettings);
    QTest::mouseClick(w->btnMergeAudio, Qt::LeftButton);
    expectShown(pgMerge);
    QTest::mouseClick(w->btnMergeAudio, Qt::LeftButton);  // a toggle of a group stays down
    expectShown(pgMerge);
    w->mnuFiles->actions()[0]->trigger();
    expectShown(pgCut);
    w->mnuFiles->actions()[2]->trigger();
    expectShown(pgSettings);
    EXPECT_EQ(changes, QList<int>({pgSettings, pgMerge, pgCut, pgSettings}));
    EXPECT_EQ(w->PageControl->currentWidget(), w->tabSettings);
}

TEST_F(MainWindowTest, AboutWebsiteAndExit) {
    auto w = Open();
    w->show();
    QString caption, closeText;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<TfrmAbout*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        caption = about->windowTitle();
        modal = about->isModal();
        closeText = about->btnClose->text();
        emit about->lblWebsite->linkActivated(QString());
        emit about->lblMail->linkActivated(QString());
        QTest::mouseClick(about->btnClose, Qt::LeftButton);
    });
    QTest::mouseClick(w->btnAbout, Qt::LeftButton);
    EXPECT_EQ(caption, "About");
    EXPECT_TRUE(modal);
    EXPECT_EQ(closeText, "Close");
    ASSERT_EQ(ui_.shell.size(), 2);
    EXPECT_TRUE(ui_.shell[0].startsWith("open http"));
    EXPECT_TRUE(ui_.shell[1].startsWith("open mailto:"));

    w->mnuWebsite->trigger();
    QTest::mouseClick(w->btnWebsite, Qt::LeftButton);
    EXPECT_EQ(ui_.shell.size(), 4);
    EXPECT_EQ(ui_.shell[2], ui_.shell[0]);

    // Exit closes the window and saves the settings.
    w->tabSplit->edtSplitFolder->setText(QStringLiteral("/tmp/cuts"));
    w->ActExit->trigger();
    EXPECT_FALSE(w->isVisible());
    TSettingsValues stored;
    ASSERT_TRUE(w->Store().Load(stored));
    EXPECT_EQ(stored.splitFolder, "/tmp/cuts");
}

TEST_F(MainWindowTest, FirstRunDefaults) {
    auto w = Open();
    EXPECT_EQ(w->tabSplit->edtSplitFolder->text(), paths_.musicDir);
    EXPECT_EQ(w->tabMerge->edtFolder->text(), paths_.musicDir);
    EXPECT_EQ(w->tabMerge->edtFilename->text(), "Undefined");
    EXPECT_EQ(w->tabMerge->cmbFormat->currentIndex(), -1);
    EXPECT_FALSE(w->tabSettings->chkPromptexist->isChecked());
    EXPECT_TRUE(w->tabSettings->chkShowSucc->isChecked());
    EXPECT_FALSE(w->tabSettings->chkOpenDest->isChecked());
    EXPECT_FALSE(w->tabSettings->chkCopyAudio->isChecked());
    EXPECT_EQ(w->tabSettings->chkCopyAudio->text(),
              "Copy audio without re-encoding when the output format is the source's");
    EXPECT_TRUE(w->tabSettings->CheckList->button(0)->isChecked());
    EXPECT_EQ(w->tabSettings->Noteformat->currentIndex(), 0);
    EXPECT_EQ(w->tabSettings->cmbFrequency->currentText(), "44100 Hz");
    EXPECT_EQ(w->tabSettings->cmbChannel->currentText(), "Stereo");
    EXPECT_EQ(w->tabSettings->cmbBitrate->currentText(), "256");
    EXPECT_EQ(w->tabSettings->lblBitrate->text(), "Bitrate:");
    EXPECT_EQ(w->Params(), TOutputParams{});
}

TEST_F(MainWindowTest, StoredValuesThatAreReplacedOrIgnored) {
    StoreInt(u"joinFormat", 7);
    StoreString(u"splitFolder", u"");
    StoreInt(u"mp3Bitrate", 100);
    StoreInt(u"mp3Channel", 0);
    auto w = Open();
    EXPECT_EQ(w->tabMerge->cmbFormat->currentIndex(), -1);
    EXPECT_EQ(w->tabSplit->edtSplitFolder->text(), paths_.musicDir);
    EXPECT_EQ(w->tabSettings->cmbBitrate->currentText(), "128");
    EXPECT_EQ(w->tabSettings->cmbChannel->currentIndex(), -1);
    EXPECT_EQ(w->Params().mp3Bitrate, 100);

    // Viewing other formats and coming back changes nothing stored.
    const TOutputParams before = w->Params();
    for (int f : {2, 1, 3, 0})
        QTest::mouseClick(w->tabSettings->CheckList->button(f), Qt::LeftButton);
    EXPECT_EQ(w->Params().outFormat, 0);
    TOutputParams expected = before;
    EXPECT_EQ(w->Params(), expected);
    w->close();

    auto again = Open();
    EXPECT_EQ(again->Params().mp3Bitrate, 100);
    EXPECT_EQ(again->Params().mp3Channel, 0);
    again->close();

    // A page format that names no item shows MP3 and stays stored.
    StoreInt(u"outFormat", 9);
    auto third = Open();
    EXPECT_TRUE(third->tabSettings->CheckList->button(0)->isChecked());
    EXPECT_EQ(third->tabSettings->cmbBitrate->currentText(), "128");
    EXPECT_EQ(third->Params().outFormat, 9);
}

// The note beside the bitrate follows the chosen pair, and the lists keep their items.
TEST_F(MainWindowTest, BitrateNoteWhenTheEncoderCannotHonourThePair) {
    auto w = Open();
    TSettingsPage* page = w->tabSettings;
    EXPECT_TRUE(page->lblBitrateNote->isHidden());
    emit page->cmbFrequency->activated(page->cmbFrequency->findText(QStringLiteral("22050 Hz")));
    EXPECT_EQ(page->lblBitrateNote->text().replace(QChar::Nbsp, u' '),
              "MP3 at 22050 Hz cannot be written at 256 kbps: 160 kbps is used.");
    emit page->cmbBitrate->activated(page->cmbBitrate->findText(QStringLiteral("320")));
    EXPECT_FALSE(page->lblBitrateNote->isHidden());
    EXPECT_EQ(page->lblBitrateNote->text().replace(QChar::Nbsp, u' '),
              "MP3 at 22050 Hz cannot be written at 320 kbps: 160 kbps is used.");
    EXPECT_EQ(page->cmbBitrate->count(), 15);
    EXPECT_EQ(w->Params().mp3Bitrate, 320);

    // Ogg Vorbis at its stored 44100 Hz and 256 kbps is honoured; back on MP3 the note returns.
    QTest::mouseClick(page->CheckList->button(1), Qt::LeftButton);
    EXPECT_TRUE(page->lblBitrateNote->isHidden());
    QTest::mouseClick(page->CheckList->button(0), Qt::LeftButton);
    EXPECT_FALSE(page->lblBitrateNote->isHidden());
    emit page->cmbBitrate->activated(page->cmbBitrate->findText(QStringLiteral("128")));
    EXPECT_TRUE(page->lblBitrateNote->isHidden());
}

TEST_F(MainWindowTest, SettingsSavedAtCloseAndRestoredAtNextStart) {
    {
        auto w = Open();
        w->tabMerge->cmbFormat->setCurrentIndex(3);
        w->tabMerge->edtFilename->setText(QStringLiteral("joined"));
        w->tabMerge->edtFolder->setText(QStringLiteral("/srv/joins"));
        w->tabSplit->edtSplitFolder->setText(QStringLiteral("/srv/cuts"));
        w->tabSettings->chkPromptexist->setChecked(true);
        w->tabSettings->chkShowSucc->setChecked(false);
        w->tabSettings->chkOpenDest->setChecked(true);
        w->tabSettings->chkCopyAudio->setChecked(true);
        w->tabMerge->GridView->setColumnWidth(2, 133);
        w->tabMerge->GridView->horizontalHeader()->moveSection(13, 0);
        TGridLayout hidden = w->tabMerge->ColumnLayout();
        hidden.columns[11].width = 77;
        hidden.columns[11].visible = false;
        w->tabMerge->ApplyColumnLayout(hidden);

        // WAV: the user picks 22050 Hz, Mono, 24 bits.
        QTest::mouseClick(w->tabSettings->CheckList->button(2), Qt::LeftButton);
        EXPECT_EQ(w->tabSettings->lblBitrate->text(), "Samplesize:");
        EXPECT_EQ(w->tabSettings->lblBitrate->x(), 206);
        emit w->tabSettings->cmbFrequency->activated(2);
        emit w->tabSettings->cmbChannel->activated(0);
        emit w->tabSettings->cmbBitrate->activated(2);
        // WMA: the 6th format.
        QTest::mouseClick(w->tabSettings->CheckList->button(3), Qt::LeftButton);
        emit w->tabSettings->cmbWMAQuality->activated(5);
        w->close();
    }
    log_.calls.clear();
    auto w = Open();
    EXPECT_EQ(w->tabMerge->cmbFormat->currentIndex(), 3);
    EXPECT_EQ(w->tabMerge->edtFilename->text(), "joined");
    EXPECT_EQ(w->tabMerge->edtFolder->text(), "/srv/joins");
    EXPECT_EQ(w->tabSplit->edtSplitFolder->text(), "/srv/cuts");
    EXPECT_TRUE(w->tabSettings->chkPromptexist->isChecked());
    EXPECT_FALSE(w->tabSettings->chkShowSucc->isChecked());
    EXPECT_TRUE(w->tabSettings->chkOpenDest->isChecked());
    EXPECT_TRUE(w->tabSettings->chkCopyAudio->isChecked());
    EXPECT_EQ(w->tabMerge->GridView->columnWidth(2), 133);
    EXPECT_EQ(w->tabMerge->GridView->horizontalHeader()->visualIndex(13), 0);
    EXPECT_TRUE(w->tabMerge->GridView->isColumnHidden(11));
    EXPECT_EQ(w->tabMerge->ColumnLayout().columns[11].width, 77);  // a hidden column keeps its width
    EXPECT_EQ(w->Params().pcmSamplerate, 22050);
    EXPECT_EQ(w->Params().pcmChannel, 1);
    EXPECT_EQ(w->Params().pcmSamplesize, 24);
    EXPECT_EQ(w->Params().wmaFormat, 5);
    EXPECT_EQ(w->Params().outFormat, 3);
    EXPECT_TRUE(w->tabSettings->CheckList->button(3)->isChecked());
    EXPECT_EQ(w->tabSettings->cmbWMAQuality->currentIndex(), 5);

    // The writer configuration hands over what was restored.
    log_.calls.clear();
    EXPECT_TRUE(w->ConfigureWriter(fcWav));
    EXPECT_TRUE(w->ConfigureWriter(fcWma));
    EXPECT_TRUE(w->ConfigureWriter(fcUnknown));
    EXPECT_EQ(log_.calls, QStringList({"SetWavFormat 22050 1 24 0", "FormatGroup 0", "FormatIndex 5", "SetFormat"}));
}

TEST_F(MainWindowTest, WriterErrorBoxAndTargetFolderChooser) {
    auto w = Open();
    components_->Writer().failWith = QStringLiteral("Bitrate not supported");
    EXPECT_FALSE(w->ConfigureWriter(fcOggVorbis));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "Bitrate not supported");
    EXPECT_EQ(ui_.messages[0].caption, "Tarvel Free Audio Cutter");

    // Cancelled: the folder stays; confirmed: it takes the chosen folder.
    const QString before = w->tabSplit->edtSplitFolder->text();
    w->ActSelectTarget->trigger();
    EXPECT_EQ(w->tabSplit->edtSplitFolder->text(), before);
    ui_.chosenFolder = dir_.path();
    QTest::mouseClick(w->tabSplit->btnSplitFolder, Qt::LeftButton);
    EXPECT_EQ(w->tabSplit->edtSplitFolder->text(), dir_.path());
    ASSERT_EQ(ui_.folderRequests.size(), 2);
    EXPECT_EQ(ui_.folderRequests[0], "Please select a target folder|c:|");

    ui_.chosenFolder = dir_.path() + "/joins";
    QTest::mouseClick(w->tabMerge->btnFolder, Qt::LeftButton);
    EXPECT_EQ(w->tabMerge->edtFolder->text(), dir_.path() + "/joins");
    ASSERT_EQ(ui_.folderRequests.size(), 3);
    EXPECT_EQ(ui_.folderRequests[2], "Select Target folder|c:|");
}

TEST_F(MainWindowTest, CancelMessageSetsTheFlag) {
    auto w = Open();
    EXPECT_FALSE(w->CancelFlag);
    QCoreApplication::postEvent(w.get(), new QEvent(QEvent::Type(QEvent::User + WM_USER_CANCEL)));
    QCoreApplication::processEvents();
    EXPECT_TRUE(w->CancelFlag);
}

TEST_F(MainWindowTest, ShowingAnotherPageStopsThePlaybackOfThePageLeft) {
    auto w = Open();
    TFakePlayer& cut = components_->Cut();
    TFakePlayer& merge = components_->Merge();

    // Without the cut page's Play action wired, the frame stops the player itself.
    cut.playing = true;
    w->ShowPage(pgSettings);
    EXPECT_FALSE(cut.playing);

    int cutPlays = 0, mergeStops = 0, feeds = 0;
    w->CutPlayAction = [&] {
        ++cutPlays;
        cut.playing = false;
    };
    w->MergeStopAction = [&] {
        ++mergeStops;
        merge.playing = false;
    };
    w->Feed = [&] { ++feeds; };

    merge.playing = true;
    w->ShowPage(pgMerge);  // the merge page's own playback goes on
    EXPECT_EQ(mergeStops, 0);
    cut.playing = true;  // cannot happen in use, but the rule is per page
    w->ShowPage(pgMerge);
    EXPECT_EQ(cutPlays, 0);  // not a change of page
    w->ShowPage(pgCut);
    EXPECT_EQ(mergeStops, 1);
    EXPECT_EQ(cutPlays, 0);
    w->ShowPage(pgSettings);
    EXPECT_EQ(cutPlays, 1);
    EXPECT_EQ(mergeStops, 1);

    // Player events: end of a block feeds, end of playback runs the page's command.
    cut.events.OnEndArrayPlay();
    merge.events.OnEndArrayPlay();
    EXPECT_EQ(feeds, 2);
    cut.events.OnEndPlay();
    merge.events.OnEndPlay();
    EXPECT_EQ(cutPlays, 2);
    EXPECT_EQ(mergeStops, 2);

    // Closing stops merge playback first, and still closes.
    merge.playing = true;
    w->show();
    EXPECT_TRUE(w->close());
    EXPECT_EQ(mergeStops, 3);
    EXPECT_FALSE(w->isVisible());
}
