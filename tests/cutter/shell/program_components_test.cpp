// The main window on the program's own component set: the registered WMA format list and
// players, and what start-up does when they are not registered.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QProcess>
#include <QStackedWidget>
#include <QTemporaryDir>

#include "fakes.h"
#include "mainForm.h"
#include "registry/registry.h"
#include "settingsPage.h"

namespace {

class ProgramComponentsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        registry_ = (dir_.path() + QStringLiteral("/registry")).toUtf8();
        QDir().mkpath(QString::fromUtf8(registry_));
        PlatformSetRegistryDir(registry_.constData());
        paths_ = {dir_.path(), dir_.path() + QStringLiteral("/config"), dir_.path() + QStringLiteral("/Music")};
    }
    void TearDown() override { PlatformSetRegistryDir(nullptr); }

    // Registers a module of the build's bin folder into this test's registry.
    void Register(const QString& module) {
        const QString bin = qEnvironmentVariable("KEZ_BIN_DIR");
        QProcess regsvr;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PLATFORM_REGISTRY_DIR"), QString::fromUtf8(registry_));
        regsvr.setProcessEnvironment(env);
        regsvr.start(bin + QStringLiteral("/regsvr"), {QStringLiteral("-s"), bin + QStringLiteral("/lib") + module + ".so"});
        ASSERT_TRUE(regsvr.waitForFinished(30000));
        ASSERT_EQ(regsvr.exitCode(), 0) << module.toStdString() << ": " << regsvr.readAllStandardError().toStdString();
    }

    QTemporaryDir dir_;
    QByteArray registry_;
    TAppPaths paths_;
    TFakeUi ui_;
};

}  // namespace

TEST_F(ProgramComponentsTest, RegisteredComponentsServeTheWindow) {
    Register(QStringLiteral("KezAudioFormatSettings3"));
    Register(QStringLiteral("KezAudioPlayer3"));
    Register(QStringLiteral("KezAudioFile3"));
    Register(QStringLiteral("KezAudioFileWMA3"));
    TfrmMain w(CreateProgramComponents(), paths_, &ui_);
    w.Start();
    for (const auto& m : ui_.messages)
        ADD_FAILURE() << m.text.toStdString();
    ASSERT_NE(w.Components().WmaFormatSettings(), nullptr);
    ASSERT_NE(w.Components().CutPlayer(), nullptr);
    ASSERT_NE(w.Components().MergePlayer(), nullptr);
    EXPECT_FALSE(w.Components().CutPlayer()->Playing());

    w.tabSettings->CheckList->button(pfWma)->click();
    QComboBox* box = w.tabSettings->cmbWMAQuality;
    ASSERT_GT(box->count(), 0);
    // The stored default 39 names the last of 40 formats; beyond the list, the last one.
    EXPECT_EQ(box->currentIndex(), std::min(39, box->count() - 1));
    for (int i = 0; i < box->count(); ++i)
        EXPECT_FALSE(box->itemText(i).isEmpty()) << i;

    // A player that is not playing is left alone when the page changes.
    w.ShowPage(pgMerge);
    w.ShowPage(pgCut);
    EXPECT_TRUE(ui_.messages.empty());

    // The file writer takes the stored parameters.
    EXPECT_TRUE(w.ConfigureWriter(fcMp3));
    EXPECT_TRUE(w.ConfigureWriter(fcOggVorbis));
    EXPECT_TRUE(w.ConfigureWriter(fcWav));
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_TRUE(w.ConfigureWriter(fcWma));
    EXPECT_TRUE(ui_.messages.empty());
    // A stored WMA index the list does not have is refused by the component: its message.
    w.Params().wmaFormat = 400;
    EXPECT_FALSE(w.ConfigureWriter(fcWma));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_FALSE(ui_.messages[0].text.isEmpty());
    EXPECT_EQ(ui_.messages[0].caption, "Tarvel Free Audio Cutter");
}

TEST_F(ProgramComponentsTest, UnregisteredComponentsAreReportedAndTheWindowStarts) {
    TfrmMain w(CreateProgramComponents(), paths_, &ui_);
    w.Start();
    EXPECT_EQ(ui_.messages.size(), 3u);  // the WMA format list, the tag editor, the players
    EXPECT_EQ(w.Components().WmaFormatSettings(), nullptr);
    w.tabSettings->CheckList->button(pfWma)->click();
    EXPECT_EQ(w.tabSettings->cmbWMAQuality->count(), 0);
    EXPECT_EQ(w.tabSettings->Noteformat->currentIndex(), 1);
    w.ShowPage(pgSettings);
    EXPECT_EQ(w.ShownPage(), pgSettings);
    // The writer's object is created at its first use: not there, so an error box.
    EXPECT_FALSE(w.ConfigureWriter(fcMp3));
    EXPECT_EQ(ui_.messages.size(), 4u);
}
