#include <gtest/gtest.h>

#include "CliOptions.h"

using cli::ParseCut;
using cli::ParseTime;

TEST(CliTime, ClockTextsAndPlainSeconds) {
    const struct {
        const char* text;
        std::int64_t ms;
    } table[] = {
        {"03:25.120", 205120}, {"01:02:03.004", 3723004}, {"12:34", 754000}, {"12:34.5", 754500},
        {"75", 75000},         {"12.5", 12500},          {"0", 0},          {"100:00:00.000", 360000000},
        {"00:59.999", 59999},
    };
    for (const auto& row : table) {
        const auto ms = ParseTime(QString::fromLatin1(row.text));
        ASSERT_TRUE(ms.has_value()) << row.text;
        EXPECT_EQ(*ms, row.ms) << row.text;
    }
    for (const char* bad : {"", "abc", "1:2:3:4", "00:61", "01:60:00", "-5", "12:34.5678"})
        EXPECT_FALSE(ParseTime(QString::fromLatin1(bad)).has_value()) << bad;
}

namespace {
QStringList Args(std::initializer_list<const char*> list) {
    QStringList out;
    for (const char* a : list) out << QString::fromUtf8(a);
    return out;
}
}  // namespace

TEST(CliCut, SegmentsWithNamesAndTags) {
    const cli::CutOptions o = ParseCut(Args({"in.mp3", "--out", "d", "--segment", "1-2.5=first one", "--segment",
                                             "00:03-01:00.250", "--format", "OGG", "--title", "T", "--year", "1999"}));
    EXPECT_EQ(o.source, "in.mp3");
    EXPECT_EQ(o.outDir, "d");
    ASSERT_EQ(o.segments.size(), 2u);
    EXPECT_EQ(o.segments[0].start, 1000);
    EXPECT_EQ(o.segments[0].end, 2500);
    EXPECT_EQ(o.segments[0].name, "first one");
    EXPECT_EQ(o.segments[1].start, 3000);
    EXPECT_EQ(o.segments[1].end, 60250);
    EXPECT_TRUE(o.segments[1].name.isEmpty());
    EXPECT_EQ(o.format, workflow::fcOggVorbis);
    EXPECT_EQ(o.title, QStringLiteral("T"));
    EXPECT_EQ(o.year, QStringLiteral("1999"));
    EXPECT_FALSE(o.artist.has_value());
    EXPECT_EQ(o.jobs, 0);  // one per processor
    EXPECT_EQ(ParseCut(Args({"in.mp3", "--out", "d", "--pieces", "2", "--jobs", "3"})).jobs, 3);
}

TEST(CliCut, UsageErrors) {
    const std::initializer_list<const char*> bad[] = {
        {"--out", "d", "--pieces", "3"},                       // no source
        {"in.wav", "--pieces", "3"},                           // no folder
        {"in.wav", "--out", "d"},                              // no way of cutting
        {"in.wav", "--out", "d", "--pieces", "3", "--length", "10"},  // two ways
        {"in.wav", "--out", "d", "--pieces", "0"},
        {"in.wav", "--out", "d", "--length", "0"},
        {"in.wav", "--out", "d", "--segment", "5-5"},          // equal marks
        {"in.wav", "--out", "d", "--segment", "6-5"},          // reversed
        {"in.wav", "--out", "d", "--segment", "5"},
        {"in.wav", "--out", "d", "--pieces", "2", "--format", "flac"},
        {"in.wav", "--out", "d", "--pieces", "2", "--bogus"},
        {"in.wav", "--out"},
        {"a.wav", "b.wav", "--out", "d", "--pieces", "2"},
        {"in.wav", "--out", "d", "--pieces", "2", "--jobs", "0"},
    };
    for (const auto& args : bad) EXPECT_THROW(ParseCut(Args(args)), cli::UsageError) << Args(args).join(' ').toStdString();
}

TEST(CliCut, OverridesApplyToTheChosenFormatOnly) {
    const cli::CutOptions o = ParseCut(Args({"in.wav", "--out", "d", "--pieces", "2", "--samplerate", "22050",
                                             "--channels", "1", "--bitrate", "128", "--samplesize", "8"}));
    const TOutputParams stored;
    const TOutputParams mp3 = cli::ApplyOverrides(stored, workflow::fcMp3, o);
    EXPECT_EQ(mp3.mp3Samplerate, 22050);
    EXPECT_EQ(mp3.mp3Channel, 1);
    EXPECT_EQ(mp3.mp3Bitrate, 128);
    EXPECT_EQ(mp3.oggSamplerate, stored.oggSamplerate);
    EXPECT_EQ(mp3.pcmSamplesize, stored.pcmSamplesize);
    const TOutputParams wav = cli::ApplyOverrides(stored, workflow::fcWav, o);
    EXPECT_EQ(wav.pcmSamplerate, 22050);
    EXPECT_EQ(wav.pcmChannel, 1);
    EXPECT_EQ(wav.pcmSamplesize, 8);
    EXPECT_EQ(wav.mp3Bitrate, stored.mp3Bitrate);
}

TEST(CliCut, ValuesOutsideTheSettingsChoicesAreRefusedNotClamped) {
    const struct {
        std::vector<const char*> args;
        workflow::FormatCode format;
    } bad[] = {
        {{"--samplerate", "44000"}, workflow::fcMp3},
        {{"--samplerate", "4000"}, workflow::fcWav},
        {{"--bitrate", "999"}, workflow::fcOggVorbis},
        {{"--channels", "6"}, workflow::fcMp3},
        {{"--channels", "3"}, workflow::fcWav},
        {{"--samplesize", "12"}, workflow::fcWav},
    };
    const TOutputParams stored;
    for (const auto& b : bad) {
        std::vector<const char*> args{"in.wav", "--out", "d", "--pieces", "2"};
        args.insert(args.end(), b.args.begin(), b.args.end());
        QStringList list;
        for (const char* a : args) list << QString::fromUtf8(a);
        EXPECT_THROW(cli::ApplyOverrides(stored, b.format, ParseCut(list)), cli::UsageError) << b.args[0];
    }
    const cli::CutOptions ok = ParseCut(Args({"in.wav", "--out", "d", "--pieces", "2", "--samplerate", "48000"}));
    EXPECT_EQ(cli::ApplyOverrides(stored, workflow::fcMp3, ok).mp3Samplerate, 48000);
    EXPECT_EQ(cli::ApplyOverrides(stored, workflow::fcWav, ok).pcmSamplerate, 48000);  // any real rate
}

TEST(CliCut, OptionFormsAndTheirErrors) {
    const cli::CutOptions a = ParseCut(Args({"in.wav", "-o", "d", "--silence", "-30,0.5", "-q", "--silence-cuts"}));
    EXPECT_EQ(a.outDir, "d");
    ASSERT_TRUE(a.silence.has_value());
    EXPECT_EQ(a.silence->thresholdDb, -30.0);
    EXPECT_EQ(a.silence->minLengthMs, 500);
    EXPECT_TRUE(a.quiet);
    EXPECT_TRUE(a.silenceMiddles);
    const cli::CutOptions b = ParseCut(Args({"--out=d", "--silence=40", "in.wav", "--title=a=b"}));
    EXPECT_EQ(b.source, "in.wav");
    EXPECT_EQ(b.silence->thresholdDb, -40.0);
    EXPECT_EQ(b.title, QStringLiteral("a=b"));
    EXPECT_FALSE(b.quiet);
    const struct {
        std::initializer_list<const char*> args;
        const char* text;
    } errors[] = {
        {{"in.wav", "--out", "d", "--pieces", "2", "--bogus"}, "unknown option --bogus"},
        {{"in.wav", "--pieces", "2", "--out"}, "--out needs a value"},
        {{"in.wav", "--out", "d", "--pieces", "x"}, "--pieces: \"x\" is not a number"},
    };
    for (const auto& e : errors) {
        try {
            ParseCut(Args(e.args));
            ADD_FAILURE() << e.text;
        } catch (const cli::UsageError& u) {
            EXPECT_EQ(u.text, QString::fromUtf8(e.text));
        }
    }
    EXPECT_THROW(ParseCut(Args({"in.wav", "--out", "d", "--pieces", "2", "--help"})), cli::HelpRequest);
}
