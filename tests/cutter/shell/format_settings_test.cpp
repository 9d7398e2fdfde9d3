// Format codes, the settings page's panel rules and the writer configuration.
#include <gtest/gtest.h>

#include "app/WriterConfig.h"
#include "fakes.h"
#include "settings/OutputSettings.h"
#include "workflow/FormatCode.h"

TEST(FormatCodeTest, ExtensionTable) {
    struct Row {
        const char* path;
        FormatCode code;
    } rows[] = {
        {"song.mp3", fcMp3},         {"song.MP3", fcMp3},         {"song.Mp3", fcMp3},
        {"/a/b/c.ogg", fcOggVorbis}, {"x.OGG", fcOggVorbis},      {"x.wav", fcWav},
        {"x.WaV", fcWav},            {"x.wma", fcWma},            {"x.mp3.bak", fcUnknown},
        {"noextension", fcUnknown},  {"", fcUnknown},             {"x.mp", fcUnknown},
        {"x.mp3 ", fcUnknown},       {"/music.mp3/track", fcUnknown}, {".mp3", fcMp3},
        {"x.flac", fcUnknown},
    };
    for (const Row& r : rows)
        EXPECT_EQ(FormatFromFileName(QString::fromUtf8(r.path)), r.code) << r.path;
}

TEST(FormatCodeTest, FileTypeAndExtension) {
    EXPECT_EQ(FileTypeCode(fcOggVorbis), 4);
    EXPECT_EQ(FileTypeCode(fcMp3), 2);
    EXPECT_EQ(FileTypeCode(fcWav), 20);
    EXPECT_EQ(FileTypeCode(fcWma), -1);
    EXPECT_EQ(FileTypeCode(fcUnknown), -1);
    EXPECT_EQ(FormatExtension(fcOggVorbis), ".ogg");
    EXPECT_EQ(FormatExtension(fcMp3), ".mp3");
    EXPECT_EQ(FormatExtension(fcWma), ".wma");
    EXPECT_EQ(FormatExtension(fcWav), ".wav");
    EXPECT_TRUE(FormatExtension(fcUnknown).isEmpty());
}

TEST(PanelTest, ListsAndTexts) {
    const TOutputParams p;
    const TPanelView mp3 = BuildPanel(pfMp3, p, nullptr);
    EXPECT_EQ(mp3.page, 0);
    EXPECT_EQ(mp3.frequency.items.join(u','),
              "8000 Hz,11025 Hz,12000 Hz,16000 Hz,22050 Hz,24000 Hz,32000 Hz,44100 Hz,48000 Hz");
    EXPECT_EQ(mp3.channel.items.join(u','), "Mono,Stereo,Joint Stereo,Forced Joint Stereo,Dual Channels");
    EXPECT_EQ(mp3.third.items.join(u','), "8,16,24,32,48,56,64,96,112,128,160,192,224,256,320");
    EXPECT_EQ(mp3.thirdLabel, "Bitrate:");
    EXPECT_EQ(mp3.thirdLabelLeft, 226);
    // Defaults: 44100 Hz, Stereo, 256.
    EXPECT_EQ(mp3.frequency.selected, 7);
    EXPECT_EQ(mp3.channel.selected, 1);
    EXPECT_EQ(mp3.third.selected, 13);

    const TPanelView ogg = BuildPanel(pfOggVorbis, p, nullptr);
    EXPECT_EQ(ogg.frequency.items.join(u','),
              "8000 Hz,11025 Hz,16000 Hz,22050 Hz,24000 Hz,32000 Hz,44100 Hz,48000 Hz");
    EXPECT_EQ(ogg.frequency.selected, 6);
    EXPECT_EQ(ogg.thirdLabel, "Bitrate:");

    const TPanelView wav = BuildPanel(pfWav, p, nullptr);
    EXPECT_EQ(wav.frequency.items.join(u','), "8000 Hz,11025 Hz,22050 Hz,44100 Hz");
    EXPECT_EQ(wav.channel.items.join(u','), "Mono,Stereo");
    EXPECT_EQ(wav.third.items.join(u','), "8,16,24,32");
    EXPECT_EQ(wav.third.selected, 1);
    EXPECT_EQ(wav.thirdLabel, "Samplesize:");
    EXPECT_EQ(wav.thirdLabelLeft, 206);
}

TEST(PanelTest, StoredValuesOutsideTheListsShowFallbacks) {
    struct Row {
        int format, rate, channel, third;
        int wantRate, wantChannel, wantThird;  // selected indices
    } rows[] = {
        {pfMp3, 44100, 2, 100, 7, 1, 9},      // bitrate 100 shows 128
        {pfMp3, 12000, 5, 320, 2, 4, 14},
        {pfMp3, 96000, 0, 256, 7, -1, 13},    // rate fallback 44100, channel 0: no selection
        {pfMp3, 8000, 6, 8, 0, -1, 0},        // channel above the list
        {pfOggVorbis, 12000, 1, 0, 6, 0, 9},  // 12000 is not offered for Ogg Vorbis
        {pfWav, 48000, 3, 12, 3, -1, 1},      // WAV offers two channels; size fallback 16
        {pfWav, 8000, 1, 32, 0, 0, 3},
    };
    for (const Row& r : rows) {
        TOutputParams p;
        if (r.format == pfMp3) {
            p.mp3Samplerate = r.rate, p.mp3Channel = r.channel, p.mp3Bitrate = r.third;
        } else if (r.format == pfOggVorbis) {
            p.oggSamplerate = r.rate, p.oggChannel = r.channel, p.oggBitrate = r.third;
        } else {
            p.pcmSamplerate = r.rate, p.pcmChannel = r.channel, p.pcmSamplesize = r.third;
        }
        const TOutputParams before = p;
        const TPanelView v = BuildPanel(r.format, p, nullptr);
        EXPECT_EQ(v.frequency.selected, r.wantRate) << r.format << " " << r.rate;
        EXPECT_EQ(v.channel.selected, r.wantChannel) << r.format << " " << r.channel;
        EXPECT_EQ(v.third.selected, r.wantThird) << r.format << " " << r.third;
        EXPECT_EQ(p, before);
    }
}

TEST(PanelTest, WmaListComesFromTheComponent) {
    TCallLog log;
    TFakeWmaList wma(log, 40);
    struct Row {
        int stored, want;
    } rows[] = {{39, 39}, {0, 0}, {12, 12}, {40, 39}, {1000, 39}, {-1, 39}};
    for (const Row& r : rows) {
        log.calls.clear();
        TOutputParams p;
        p.wmaFormat = r.stored;
        const TPanelView v = BuildPanel(pfWma, p, &wma);
        EXPECT_EQ(v.page, 1);
        ASSERT_EQ(v.wmaQuality.items.size(), 40);
        EXPECT_EQ(v.wmaQuality.items[7], "WMA format 7");
        EXPECT_EQ(v.wmaQuality.selected, r.want) << r.stored;
        EXPECT_EQ(p.wmaFormat, r.stored);
        ASSERT_GE(log.calls.size(), 2);
        EXPECT_EQ(log.calls[0], "FormatGroup 0");  // group first, then the count
        EXPECT_EQ(log.calls[1], "FormatCount");
    }

    TFakeWmaList empty(log, 0);
    const TPanelView none = BuildPanel(pfWma, TOutputParams{}, &empty);
    EXPECT_TRUE(none.wmaQuality.items.isEmpty());
    EXPECT_EQ(none.wmaQuality.selected, -1);

    TFakeWmaList broken(log, 3);
    broken.failCount = true;
    EXPECT_THROW(BuildPanel(pfWma, TOutputParams{}, &broken), std::runtime_error);
}

TEST(PanelTest, ChangeHandlersStoreTheChosenValue) {
    TOutputParams p;
    FrequencyChosen(p, pfMp3, 2);
    ChannelChosen(p, pfMp3, 4);
    ThirdChosen(p, pfMp3, 9);
    EXPECT_EQ(p.mp3Samplerate, 12000);
    EXPECT_EQ(p.mp3Channel, 5);
    EXPECT_EQ(p.mp3Bitrate, 128);

    FrequencyChosen(p, pfOggVorbis, 2);
    ChannelChosen(p, pfOggVorbis, 0);
    ThirdChosen(p, pfOggVorbis, 0);
    EXPECT_EQ(p.oggSamplerate, 16000);
    EXPECT_EQ(p.oggChannel, 1);
    EXPECT_EQ(p.oggBitrate, 8);

    FrequencyChosen(p, pfWav, 1);
    ChannelChosen(p, pfWav, 0);
    ThirdChosen(p, pfWav, 2);
    EXPECT_EQ(p.pcmSamplerate, 11025);
    EXPECT_EQ(p.pcmChannel, 1);
    EXPECT_EQ(p.pcmSamplesize, 24);

    WmaQualityChosen(p, 3);
    EXPECT_EQ(p.wmaFormat, 3);

    // A box losing its selection, an index past a list, and the WMA page's first boxes
    // change nothing.
    const TOutputParams before = p;
    FrequencyChosen(p, pfMp3, -1);
    ChannelChosen(p, pfWav, 2);
    ThirdChosen(p, pfWav, 4);
    FrequencyChosen(p, pfWma, 0);
    WmaQualityChosen(p, -1);
    EXPECT_EQ(p, before);
}

namespace {

struct WriterRig {
    TCallLog log;
    TFakeWriter writer{log};
    TFakeWmaList wma{log, 40};
    TFakeUi ui;
    TOutputParams params;

    WriterRig() {
        params.mp3Samplerate = 32000, params.mp3Bitrate = 100, params.mp3Channel = 3;
        params.oggSamplerate = 22050, params.oggChannel = 1, params.oggBitrate = 96;
        params.pcmSamplerate = 8000, params.pcmChannel = 1, params.pcmSamplesize = 24;
        params.wmaFormat = 12;
    }
    bool Run(FormatCode code) { return ConfigureWriter(code, params, TWriterTargets{writer, writer, wma}, ui); }
};

}  // namespace

TEST(WriterConfigTest, EachCodeCallsItsWriter) {
    struct Row {
        FormatCode code;
        const char* calls;
    } rows[] = {
        {fcOggVorbis, "SetOggFormat 22050 1 96 -1 -1 -1"},
        {fcMp3, "SetMp3Format 32000 100 3"},  // bitrate before channel mode, unchecked
        {fcWma, "FormatGroup 0|FormatIndex 12|SetFormat"},
        {fcWav, "SetWavFormat 8000 1 24 0"},
        {fcUnknown, ""},
        {FormatCode(5), ""},
    };
    for (const Row& r : rows) {
        WriterRig rig;
        EXPECT_TRUE(rig.Run(r.code));
        EXPECT_EQ(rig.log.calls.join(u'|'), QString::fromUtf8(r.calls)) << int(r.code);
        EXPECT_TRUE(rig.ui.messages.empty());
    }
}

TEST(WriterConfigTest, ErrorIsShownAndAnswersFalse) {
    WriterRig rig;
    rig.writer.failWith = QStringLiteral("Unsupported sample rate");
    EXPECT_FALSE(rig.Run(fcMp3));
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0].text, "Unsupported sample rate");
    EXPECT_EQ(rig.ui.messages[0].caption, "Tarvel Free Audio Cutter");
    EXPECT_EQ(rig.ui.messages[0].kind, TMessageKind::Plain);

    // A stored WMA index the component refuses stops before SetFormat.
    WriterRig wma;
    wma.params.wmaFormat = 40;
    EXPECT_FALSE(wma.Run(fcWma));
    EXPECT_EQ(wma.log.calls.join(u'|'), "FormatGroup 0|FormatIndex 40");
    ASSERT_EQ(wma.ui.messages.size(), 1u);
    EXPECT_EQ(wma.ui.messages[0].text, "Format index out of range");
}

// The note beside the bitrate: only a pair the encoder cannot honour gets one, naming the
// bitrate a job uses instead.
TEST(PanelTest, BitrateNoteForPairsTheEncoderCannotHonour) {
    const struct {
        int format, rate, channel, kbps;
        const char* note;
    } rows[] = {
        {pfMp3, 44100, 2, 320, ""},
        {pfMp3, 22050, 2, 160, ""},
        {pfMp3, 22050, 2, 320, "MP3 at 22050 Hz cannot be written at 320 kbps: 160 kbps is used."},
        {pfMp3, 24000, 1, 192, "MP3 at 24000 Hz cannot be written at 192 kbps: 160 kbps is used."},
        {pfMp3, 11025, 2, 96, "MP3 at 11025 Hz cannot be written at 96 kbps: 64 kbps is used."},
        {pfMp3, 8000, 2, 64, ""},
        {pfMp3, 44100, 2, 8, "MP3 at 44100 Hz cannot be written at 8 kbps: 32 kbps is used."},
        {pfMp3, 48000, 2, 24, "MP3 at 48000 Hz cannot be written at 24 kbps: 32 kbps is used."},
        {pfMp3, 32000, 2, 32, ""},
        {pfOggVorbis, 44100, 2, 320, ""},
        {pfOggVorbis, 44100, 2, 32, "Ogg Vorbis stereo at 44100 Hz cannot be written at 32 kbps: 45 kbps is used."},
        {pfOggVorbis, 44100, 1, 32, ""},
        {pfOggVorbis, 22050, 3, 256, "Ogg Vorbis stereo at 22050 Hz cannot be written at 256 kbps: 180 kbps is used."},
        {pfOggVorbis, 8000, 1, 64, "Ogg Vorbis mono at 8000 Hz cannot be written at 64 kbps: 42 kbps is used."},
        {pfOggVorbis, 48000, 2, 16, "Ogg Vorbis stereo at 48000 Hz cannot be written at 16 kbps: 45 kbps is used."},
        {pfWav, 8000, 1, 8, ""},
        {pfWma, 8000, 1, 8, ""},
    };
    for (const auto& r : rows) {
        TOutputParams p;
        p.mp3Samplerate = p.oggSamplerate = p.pcmSamplerate = r.rate;
        p.mp3Channel = p.oggChannel = p.pcmChannel = r.channel;
        p.mp3Bitrate = p.oggBitrate = p.pcmSamplesize = r.kbps;
        EXPECT_EQ(BitrateNote(r.format, p), QString::fromUtf8(r.note)) << r.format << " " << r.rate << " " << r.kbps;
    }
}
