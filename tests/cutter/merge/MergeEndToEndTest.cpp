// Merge jobs through the merge page on the program's registered components and real media;
// the outputs are checked with independent readers (ffprobe, ffmpeg).
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>

#include "FakeAudio.h"
#include "TestMedia.h"
#include "TestRegistry.h"
#include "app/ProgramComponents.h"
#include "cutPage.h"
#include "fakes.h"
#include "mainForm.h"
#include "mergePage.h"
#include "settingsPage.h"

namespace {

class MergeEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        registry_.emplace(dir_.path());
        registry_->RegisterProgramComponents();
        paths_ = {dir_.path(), dir_.path() + "/config", dir_.path() + "/Music"};
        w_ = std::make_unique<TfrmMain>(CreateProgramComponents(), paths_, &ui_);
        w_->Start();
        for (const auto& m : ui_.messages)
            ADD_FAILURE() << m.text.toStdString();
        page_ = w_->tabMerge;
        page_->MakeHost = [this] { return &host_; };
        w_->ShowPage(pgMerge);
        page_->edtFolder->setText(dir_.filePath("out"));
        page_->edtFilename->setText("joined");
    }
    void TearDown() override {
        w_.reset();
        registry_.reset();
    }
    std::string Dir() const { return dir_.path().toStdString(); }
    QString Merge(int formatIndex) {
        page_->cmbFormat->setCurrentIndex(formatIndex);
        w_->UpdateActions();
        EXPECT_TRUE(w_->ActMerge->isEnabled());
        w_->ActMerge->trigger();
        static const char* ext[] = {".mp3", ".ogg", ".wav", ".wma"};
        return dir_.filePath("out") + "/joined" + ext[formatIndex];
    }

    QTemporaryDir dir_;
    std::optional<TTestRegistry> registry_;
    TAppPaths paths_;
    TFakeUi ui_;
    fakes::FakeHost host_;
    std::unique_ptr<TfrmMain> w_;
    TMergePage* page_ = nullptr;
};

TEST_F(MergeEndToEnd, MixedInputsIntoEveryFormat) {
    testmedia::WavSpec a, b, c;
    a.seconds = 1.0;
    b.sampleRate = 22050;
    b.channels = 1;
    b.seconds = 1.5;
    c.sampleRate = 48000;
    c.seconds = 2.0;
    const QString wav = QString::fromStdString(testmedia::MakeWav(Dir(), "a.wav", a));
    const QString mp3 = QString::fromStdString(testmedia::MakeMp3(Dir(), "b.mp3", b));
    const QString ogg = QString::fromStdString(testmedia::MakeOgg(Dir(), "c.ogg", c));
    page_->AddFiles({wav, mp3, ogg, dir_.filePath("missing.flac")});
    ASSERT_EQ(page_->GridView->rowCount(), 3);
    EXPECT_EQ(page_->GridView->item(1, workflow::mcSampleRate)->text(), "22050");
    EXPECT_EQ(page_->GridView->item(1, workflow::mcChannel)->text(), "Mono");
    EXPECT_FALSE(page_->lblTotal->text().isEmpty());
    ui_.messages.clear();
    for (int format : {2, 0, 1, 3}) {
        SCOPED_TRACE(format);
        const QString out = Merge(format);
        ASSERT_TRUE(QFile::exists(out)) << out.toStdString();
        for (const auto& m : ui_.messages)
            ADD_FAILURE() << m.text.toStdString();
        for (const QString& m : host_.messages)
            ADD_FAILURE() << m.toStdString();
        const testmedia::ProbeResult probe = testmedia::Ffprobe(out.toStdString());
        // Lossy outputs may carry an encoder delay of a frame or so per join.
        EXPECT_NEAR(probe.duration, 4.5, format == 2 ? 0.01 : 0.15);
    }
}

TEST_F(MergeEndToEnd, WavPiecesRejoinToTheSource) {
    testmedia::WavSpec shape;
    shape.seconds = 3.0;
    shape.noise = true;
    const std::vector<std::uint8_t> pcm = testmedia::WavSamples(shape);
    const std::string source = testmedia::MakeWav(Dir(), "source.wav", shape);
    const std::vector<std::uint8_t> whole = testmedia::ReadAll(source);
    const size_t header = whole.size() - pcm.size();
    // Three pieces of the source's PCM, each with the source's header for its own length.
    QStringList pieces;
    const size_t cuts[] = {0, 44100 * 4 / 3 * 3 - (44100 * 4 / 3 * 3) % 4, 2 * 44100 * 4 + 400, pcm.size()};
    for (int i = 0; i < 3; ++i) {
        std::vector<std::uint8_t> bytes(header + (cuts[i + 1] - cuts[i]));
        std::copy(whole.begin(), whole.begin() + std::ptrdiff_t(header), bytes.begin());
        std::copy(pcm.begin() + std::ptrdiff_t(cuts[i]), pcm.begin() + std::ptrdiff_t(cuts[i + 1]),
                  bytes.begin() + std::ptrdiff_t(header));
        const std::uint32_t data = std::uint32_t(cuts[i + 1] - cuts[i]);
        const std::uint32_t riff = std::uint32_t(bytes.size() - 8);
        std::memcpy(&bytes[4], &riff, 4);
        std::memcpy(&bytes[header - 4], &data, 4);
        pieces << QString::fromStdString(testmedia::MakeFile(Dir(), "piece" + std::to_string(i) + ".wav", bytes));
    }
    page_->AddFiles(pieces);
    ASSERT_EQ(page_->GridView->rowCount(), 3);
    const QString out = Merge(2);
    const std::vector<std::uint8_t> joined = testmedia::ReadAll(out.toStdString());
    ASSERT_GE(joined.size(), pcm.size());
    const std::vector<std::uint8_t> tail(joined.end() - std::ptrdiff_t(pcm.size()), joined.end());
    EXPECT_TRUE(tail == pcm) << "joined PCM differs from the source";
    EXPECT_EQ(joined.size() - pcm.size(), 44u);  // a plain header, untagged
}

TEST_F(MergeEndToEnd, DeletedInputStopsSilentlyWritingNothingAndMp3YearFallsToZero) {
    testmedia::WavSpec shape;
    const QString a = QString::fromStdString(testmedia::MakeWav(Dir(), "a.wav", shape));
    const QString b = QString::fromStdString(testmedia::MakeWav(Dir(), "b.wav", shape));
    const QString c = QString::fromStdString(testmedia::MakeWav(Dir(), "c.wav", shape));
    page_->AddFiles({a, b, c});
    QFile::remove(b);
    page_->edtTitle->setText("Joined title");
    page_->edtYear->setText("nineteen");
    const QString out = Merge(0);
    EXPECT_TRUE(host_.infos.isEmpty());  // no "Task complete"
    EXPECT_TRUE(host_.messages.isEmpty());
    // A merge that stops at a failed input leaves no output looking complete.
    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_TRUE(QDir(dir_.filePath("out")).entryList(QDir::Files | QDir::Hidden).isEmpty());

    testmedia::MakeWav(Dir(), "b.wav", shape);
    Merge(0);
    const testmedia::ProbeResult probe = testmedia::Ffprobe(out.toStdString());
    EXPECT_NEAR(probe.duration, 3.0, 0.1);
    std::string tags;
    testmedia::Run("ffprobe -v quiet -show_entries format_tags -of default=nw=1 " + testmedia::Quote(out.toStdString()),
                   &tags);
    EXPECT_NE(tags.find("Joined title"), std::string::npos) << tags;
    EXPECT_EQ(tags.find("nineteen"), std::string::npos) << tags;
}

TEST_F(MergeEndToEnd, CancelInTheSecondFileKeepsAndTagsThePartialOutput) {
    testmedia::WavSpec shape;
    shape.seconds = 3.0;
    QStringList inputs;
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        inputs << QString::fromStdString(testmedia::MakeWav(Dir(), name, shape));
    page_->AddFiles(inputs);
    page_->edtTitle->setText("Cancelled join");
    w_->tabSettings->chkOpenDest->setChecked(true);
    // Cancel a few event rounds into the second file.
    struct CancelInSecond : fakes::FakeHost {
        int rounds = 0;
        void ProcessEvents() override {
            if (labels.size() == 2 && ++rounds >= 3)
                cancelled = true;
        }
    } host;
    page_->MakeHost = [&host] { return &host; };
    const QString out = Merge(0);
    EXPECT_EQ(host.labels, QStringList(inputs.mid(0, 2)));
    EXPECT_TRUE(host.infos.isEmpty());  // no "Task complete"
    EXPECT_EQ(host.explored, QStringList({dir_.filePath("out")}));
    const testmedia::ProbeResult probe = testmedia::Ffprobe(out.toStdString());
    EXPECT_GT(probe.duration, 3.3);  // the first file and part of the second
    EXPECT_LT(probe.duration, 5.9);
    std::string tags;
    testmedia::Run("ffprobe -v quiet -show_entries format_tags -of default=nw=1 " + testmedia::Quote(out.toStdString()),
                   &tags);
    EXPECT_NE(tags.find("Cancelled join"), std::string::npos) << tags;
}

TEST_F(MergeEndToEnd, CommandLineMergeAndOutputThatIsAnInput) {
    testmedia::WavSpec a, b;
    b.sampleRate = 22050;
    b.seconds = 2.0;
    const std::string wav = testmedia::MakeWav(Dir(), "a.wav", a);
    const std::string ogg = testmedia::MakeOgg(Dir(), "b.ogg", b);
    const auto run = [&](const QStringList& args, QString* err) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PLATFORM_REGISTRY_DIR", QString::fromUtf8(registry_->Path()));
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("KEZ_BIN_DIR") + "/tarvelcut", QStringList{"merge"} + args);
        EXPECT_TRUE(p.waitForFinished(120000));
        *err = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitCode();
    };
    QString err;
    const QString out = dir_.filePath("joined.ogg");
    ASSERT_EQ(run({out, QString::fromStdString(wav), QString::fromStdString(ogg), "--title", "CLI", "--track", "4"},
                  &err),
              0)
        << err.toStdString();
    EXPECT_NEAR(testmedia::Ffprobe(out.toStdString()).duration, 3.0, 0.1);
    std::string tags;
    testmedia::Run("ffprobe -v quiet -show_entries stream_tags -of default=nw=1 " + testmedia::Quote(out.toStdString()),
                   &tags);
    EXPECT_NE(tags.find("CLI"), std::string::npos) << tags;

    // An output that is one of the inputs is refused before anything is written.
    const std::vector<std::uint8_t> before = testmedia::ReadAll(wav);
    EXPECT_EQ(run({QString::fromStdString(wav), QString::fromStdString(ogg), QString::fromStdString(wav), "--overwrite"},
                  &err),
              1);
    EXPECT_TRUE(err.contains("is one of the files to merge")) << err.toStdString();
    EXPECT_TRUE(testmedia::ReadAll(wav) == before);
    EXPECT_EQ(run({out, QString::fromStdString(wav)}, &err), 2);  // one input only
}

// Files named when the program starts: several fill the merge list, one is the source to cut.
TEST_F(MergeEndToEnd, FilesNamedAtStartOpenAsTheMergeListOrTheSource) {
    testmedia::WavSpec shape;
    shape.seconds = 0.5;
    const QString a = QString::fromStdString(testmedia::MakeWav(Dir(), "a.wav", shape));
    const QString b = QString::fromStdString(testmedia::MakeWav(Dir(), "b.wav", shape));
    w_->ShowPage(pgSettings);
    w_->OpenFiles({a, b});
    EXPECT_EQ(w_->ShownPage(), pgMerge);
    EXPECT_EQ(page_->GridView->rowCount(), 2);
    w_->OpenFiles({b});
    EXPECT_EQ(w_->ShownPage(), pgCut);
    EXPECT_EQ(w_->tabSplit->edtSourceFile->text(), b);
    EXPECT_EQ(page_->GridView->rowCount(), 2) << "the merge list is left as it was";
}

}  // namespace
