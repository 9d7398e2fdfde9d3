// The cut page on the program's registered components and real media made at test time:
// the audio information of real files, tags as row defaults (with an MP3 whose ID3v2 tag
// is absent), and Cut Now! from the page with the pieces checked by ffprobe and by bytes.
#include <gtest/gtest.h>

#include <optional>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>

#include "FakeAudio.h"
#include "TestMedia.h"
#include "TestRegistry.h"
#include "app/ProgramComponents.h"
#include "cutPage.h"
#include "fakes.h"
#include "mainForm.h"

namespace {

class CutPageMedia : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        registry_.emplace(dir_.path());
        registry_->RegisterProgramComponents();
        w_ = std::make_unique<TfrmMain>(CreateProgramComponents(),
                                        TAppPaths{dir_.path(), dir_.path() + "/config", dir_.path() + "/Music"}, &ui_);
        w_->Start();
        for (const auto& m : ui_.messages) ADD_FAILURE() << m.text.toStdString();
        page_ = w_->tabSplit;
        page_->MakeHost = [this] { return &host_; };
    }
    void TearDown() override {
        w_.reset();
        registry_.reset();
    }
    std::string Dir() const { return dir_.path().toStdString(); }
    bool Load(const std::string& path) {
        ui_.messages.clear();
        const bool ok = page_->LoadSource(QString::fromStdString(path));
        for (const auto& m : ui_.messages) ADD_FAILURE() << m.text.toStdString();
        w_->UpdateActions();
        return ok;
    }

    QTemporaryDir dir_;
    std::optional<TTestRegistry> registry_;
    TFakeUi ui_;
    fakes::FakeHost host_;
    std::unique_ptr<TfrmMain> w_;
    TCutPage* page_ = nullptr;
};

TEST_F(CutPageMedia, InformationOfAWavOfThreeMinutesTwentyFive) {
    testmedia::WavSpec shape;
    shape.sampleRate = 8000;
    shape.channels = 1;
    shape.bits = 8;
    shape.frames = 205120 * 8;  // 3 min 25.12 s
    const std::string wav = testmedia::MakeWav(Dir(), "speech.wav", shape);
    ASSERT_TRUE(Load(wav));
    EXPECT_EQ(page_->lbDuration->text(), "03:25.120");
    EXPECT_EQ(page_->TrackBar->minimum(), 0);
    EXPECT_EQ(page_->TrackBar->maximum(), 205120);
    EXPECT_EQ(page_->lbChannels->text(), "Mono");
    EXPECT_EQ(page_->lbSampleRate->text(), "8000 Hz");
    EXPECT_EQ(page_->lbBitrate->text(), "64");
    EXPECT_EQ(page_->lbSize->text(), SizeMbText(testmedia::FileSize(wav)));
    EXPECT_EQ(page_->lbSize->text(), "1.56 MB");
    EXPECT_FALSE(page_->spHour->isEnabled());
    EXPECT_EQ(page_->spMinute->maximum(), 3);
    EXPECT_EQ(page_->spMSec->maximum(), 120);
    EXPECT_TRUE(w_->ActAdd->isEnabled());
}

TEST_F(CutPageMedia, TagsBecomeRowDefaultsIncludingAnId3v1OnlyMp3) {
    testmedia::WavSpec shape;
    shape.seconds = 2.0;
    testmedia::Tags tags;
    tags.title = "Morning";
    tags.artist = "Quartet";
    tags.album = "Sessions";
    tags.genre = "Jazz";
    tags.year = 2021;
    const std::string tagged = testmedia::MakeMp3(Dir(), "tagged.mp3", shape, 128, false, &tags);
    ASSERT_TRUE(Load(tagged));
    EXPECT_TRUE(page_->lbChannels->text() == "Stereo" || page_->lbChannels->text() == "Joint Stereo")
        << page_->lbChannels->text().toStdString();
    w_->ActAdd->trigger();
    ASSERT_EQ(page_->Segments.rowCount(), 1);
    EXPECT_EQ(page_->Segments.Text(0, workflow::colName), "tagged_1");
    EXPECT_EQ(page_->Segments.Text(0, workflow::colTitle), "Morning");
    EXPECT_EQ(page_->Segments.Text(0, workflow::colArtist), "Quartet");
    EXPECT_EQ(page_->Segments.Text(0, workflow::colYear), "2021");

    // Only an ID3v1 tag: the main tag reads empty, the second kind gives the texts.
    std::vector<std::uint8_t> bytes = testmedia::ReadAll(testmedia::MakeMp3(Dir(), "plain.mp3", shape));
    std::string v1tag(128, '\0');
    const auto field = [&](size_t at, const std::string& text) { v1tag.replace(at, text.size(), text); };
    field(0, "TAG");
    field(3, "Evening");
    field(33, "Trio");
    field(63, "Nights");
    field(93, "1987");
    v1tag[127] = char(8);  // Jazz
    bytes.insert(bytes.end(), v1tag.begin(), v1tag.end());
    const std::string v1 = testmedia::MakeFile(Dir(), "v1only.mp3", bytes);
    ASSERT_TRUE(Load(v1));
    w_->ActAdd->trigger();
    ASSERT_EQ(page_->Segments.rowCount(), 1);
    EXPECT_EQ(page_->Segments.Text(0, workflow::colTitle), "Evening");
    EXPECT_EQ(page_->Segments.Text(0, workflow::colArtist), "Trio");
    EXPECT_EQ(page_->Segments.Text(0, workflow::colAlbum), "Nights");
    EXPECT_EQ(page_->Segments.Text(0, workflow::colYear), "1987");
}

TEST_F(CutPageMedia, CutNowFromThePageWritesPiecesThatRejoinToTheSource) {
    testmedia::WavSpec shape;
    shape.seconds = 3.0;
    shape.noise = true;
    const std::string wav = testmedia::MakeWav(Dir(), "take.wav", shape);
    const std::vector<std::uint8_t> pcm = testmedia::WavSamples(shape);
    ASSERT_TRUE(Load(wav));
    // Two WAV pieces split at 1.250 s, and the whole take as Ogg Vorbis with a title.
    page_->TrackBar->setValue(1250);
    w_->ActSetEnd->trigger();
    w_->ActAdd->trigger();
    w_->ActSetStart->trigger();
    page_->TrackBar->setValue(3000);
    w_->ActSetEnd->trigger();
    w_->ActAdd->trigger();
    page_->TrackBar->setValue(0);
    w_->ActSetStart->trigger();
    w_->ActAdd->trigger();
    ASSERT_EQ(page_->Segments.rowCount(), 3);
    page_->Segments.SetText(0, workflow::colFormat, "wav");
    page_->Segments.SetText(1, workflow::colFormat, "WAV");
    page_->Segments.SetText(2, workflow::colFormat, "Ogg Vorbis");
    page_->Segments.SetText(2, workflow::colTitle, "Whole take");
    page_->edtSplitFolder->setText(dir_.filePath("cuts"));
    w_->UpdateActions();
    ASSERT_TRUE(w_->ActSplit->isEnabled());
    w_->ActSplit->trigger();
    for (const auto& m : ui_.messages) ADD_FAILURE() << m.text.toStdString();
    for (const QString& m : host_.messages) ADD_FAILURE() << m.toStdString();

    // The two pieces hold the source's samples, split within a frame of 1.250 s.
    std::vector<std::uint8_t> joined;
    size_t firstFrames = 0;
    for (const char* name : {"cuts/take_1.wav", "cuts/take_2.wav"}) {
        const std::vector<std::uint8_t> bytes = testmedia::ReadAll(dir_.filePath(name).toStdString());
        ASSERT_GT(bytes.size(), 44u) << name;  // a plain header, untagged
        if (joined.empty()) firstFrames = (bytes.size() - 44) / 4;
        joined.insert(joined.end(), bytes.begin() + 44, bytes.end());
    }
    EXPECT_EQ(firstFrames, 55125u);
    EXPECT_TRUE(joined == pcm) << "the pieces do not rejoin to the source";
    const testmedia::ProbeResult second = testmedia::Ffprobe(dir_.filePath("cuts/take_3.ogg").toStdString());
    EXPECT_EQ(second.codec, "vorbis");
    EXPECT_NEAR(second.duration, 3.0, 0.05);
    std::string out;
    testmedia::Run("ffprobe -v quiet -show_entries stream_tags=title -of default=nw=1 " +
                       testmedia::Quote(dir_.filePath("cuts/take_3.ogg").toStdString()),
                   &out);
    EXPECT_NE(out.find("Whole take"), std::string::npos) << out;
}

}  // namespace
