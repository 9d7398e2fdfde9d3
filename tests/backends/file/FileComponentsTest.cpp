// AudioFile3 and AudioFileInformation3 as the program drives them: by class id, through the
// wrappers, with late-bound puts by name; results checked with ffprobe and mutagen.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "ComponentTestSupport.h"
#include "TestMedia.h"
#include "cutter/components/EOleException.h"
#include "registry/registry.h"

using testmedia::WavSpec;

namespace {

class FileComponents : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(filetest::RegisterModule("KezAudioFile3"));
        ASSERT_TRUE(filetest::RegisterModule("KezAudioFileWMA3"));
    }
    void SetUp() override { dir = testmedia::MakeTempDir("filecomp"); }
    void TearDown() override { testmedia::RemoveTree(dir); }
    std::string dir;
};

std::int64_t BlockFrames(const TAudioBlock& b) {
    auto bytes = b.Bytes();
    if (bytes.size() < 18) return 0;
    int align = bytes[12] | (bytes[13] << 8);
    return static_cast<std::int64_t>(bytes.size() - 18) / align;
}

TEST_F(FileComponents, ReaderReportsTheFileAndRunsToItsSize) {
    struct Row {
        std::string path;
        int tag, rate, channels, kbps;
    };
    WavSpec s{44100, 2, 16, 3.5};
    std::vector<Row> rows = {{testmedia::MakeMp3(dir, "a.mp3", s, 192), 85, 44100, 2, 192},
                             {testmedia::MakeOgg(dir, "a.ogg", s, 128), 26447, 44100, 2, 0},
                             {testmedia::MakeWav(dir, "a.wav", WavSpec{22050, 1, 16, 3.5}), 1, 22050, 1, 352},
                             {testmedia::MakeWav(dir, "e.wav", [&] { WavSpec e = s; e.extensible = true; return e; }()),
                              1, 44100, 2, 1411}};
    TAudioFile3 reader;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        reader.Open(r.path);
        TAudioInfo info = reader.AudioInfo();
        EXPECT_EQ(info.FormatTag(), r.tag);
        EXPECT_EQ(info.SampleRate(), r.rate);
        EXPECT_EQ(info.Channels(), r.channels);
        if (r.kbps) {
            EXPECT_EQ(info.Bitrate(), r.kbps);
        }
        EXPECT_EQ(info.Size(), testmedia::FileSize(r.path));
        EXPECT_EQ(info.Duration(), 3500);
        EXPECT_EQ(info.Position(), 0);
        std::int64_t frames = 0, last = -1;
        while (info.Position() < info.Size()) {
            ASSERT_NE(info.Position(), last);
            last = info.Position();
            std::int32_t block = info.SampleRate() * info.Channels() * info.SampleSize() / 8;
            frames += BlockFrames(reader.Read(static_cast<int>(std::trunc(block / info.CompressRate()))));
        }
        EXPECT_EQ(info.Position(), info.Size());
        EXPECT_EQ(frames, testmedia::FfmpegDecodedFrames(r.path));
        EXPECT_TRUE(reader.Read(1000).Empty());
        reader.Close();
    }
}

TEST_F(FileComponents, CutIntoThreeSpansJoinsExactly) {
    WavSpec shape{44100, 2, 16, 6.0};
    shape.noise = true;
    for (const std::string& src : {testmedia::MakeWav(dir, "s.wav", shape), testmedia::MakeMp3(dir, "s.mp3", shape)}) {
        SCOPED_TRACE(src);
        TAudioFile3 reader, writer;
        const std::int64_t cuts[] = {0, 1234, 4321, 6000};
        std::vector<std::string> parts;
        for (int k = 0; k < 3; ++k) {
            // The cut job: end units from a seek, then copy from the start time to them.
            reader.Open(src);
            std::int64_t end = reader.SeekTime(cuts[k + 1]);
            EXPECT_EQ(end, reader.AudioInfo().Position());
            reader.Close();
            writer.SetWavFormat(44100, 2, 16, 0);
            std::string out = dir + "/part" + std::to_string(k) + ".wav";
            writer.Create(out, kFileTypeWav);
            reader.Open(src);
            reader.SeekTime(cuts[k]);
            TAudioInfo info = reader.AudioInfo();
            while (info.Position() < end) {
                std::int32_t block = info.SampleRate() * info.Channels() * info.SampleSize() / 8;
                block = static_cast<std::int32_t>(std::trunc(block / info.CompressRate()));
                writer.Write(reader.Read(static_cast<int>(std::min<std::int64_t>(block, end - info.Position()))));
            }
            reader.Close();
            writer.Close();
            parts.push_back(out);
        }
        std::int64_t total = 0;
        for (const auto& p : parts) total += testmedia::FfmpegDecodedFrames(p);
        EXPECT_EQ(total, testmedia::FfmpegDecodedFrames(src));
        if (src.ends_with(".wav")) {
            // Joined, the parts are the source's own samples.
            std::vector<std::uint8_t> joined;
            for (const auto& p : parts) {
                auto b = testmedia::ReadAll(p);
                joined.insert(joined.end(), b.begin() + 44, b.end());
            }
            EXPECT_EQ(joined, testmedia::WavSamples(shape));
        }
    }
}

TEST_F(FileComponents, WritersOfEachFormat) {
    std::string src = testmedia::MakeWav(dir, "s.wav", WavSpec{44100, 2, 16, 2.0});
    TAudioFile3 reader, writer;
    struct Row {
        const char* name;
        int type;
        const char* codec;
        int rate, channels;
    };
    const Row rows[] = {{"o.mp3", kFileTypeMp3, "mp3", 32000, 1},
                        {"o.ogg", kFileTypeOgg, "vorbis", 22050, 2},
                        {"o.wav", kFileTypeWav, "pcm_u8", 11025, 1}};
    writer.SetMp3Format(32000, 96, 1);
    writer.SetOggFormat(22050, 3, 96);
    writer.SetWavFormat(11025, 1, 8, 0);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string out = dir + "/" + r.name;
        writer.Create(out, r.type);
        reader.Open(src);
        filetest::CopyAll(reader, writer);
        reader.Close();
        writer.Close();
        testmedia::ProbeResult p = testmedia::Ffprobe(out);
        EXPECT_EQ(p.codec, r.codec);
        EXPECT_EQ(p.sampleRate, r.rate);
        EXPECT_EQ(p.channels, r.channels);
        EXPECT_NEAR(static_cast<double>(testmedia::FfmpegDecodedFrames(out)), 2.0 * r.rate, 256);
        // Reopened by the reader, its length agrees.
        reader.Open(out);
        EXPECT_NEAR(static_cast<double>(reader.AudioInfo().Duration()), 2000, 6);
        reader.Close();
    }
    // A second Create replaces the file.
    writer.Create(dir + "/o.wav", kFileTypeWav);
    writer.Close();
    EXPECT_EQ(testmedia::FileSize(dir + "/o.wav"), 44);
}

TEST_F(FileComponents, TagEditorByNameAndByInterface) {
    std::string path = testmedia::MakeMp3(dir, "t.mp3", WavSpec{44100, 2, 16, 1.0});
    TAudioFileInformation3 tags;
    tags.SetMode(1);
    EXPECT_EQ(tags.Mode(), 1);
    tags.SetPropertyByName(u"Title", u"Песня");
    tags.SetPropertyByName(u"artist", u"Ärtist");  // names are case-insensitive
    tags.SetPropertyByName(u"Album", u"Album");
    tags.SetPropertyByName(u"Genre", u"Blues");
    tags.SetPropertyByName(u"Comments", u"comment");
    tags.SetYear(1987);
    tags.SetTrack(4);
    EXPECT_TRUE(tags.WriteToFile(path));
    std::string out;
    ASSERT_EQ(testmedia::Run("/usr/bin/python3 -c " +
                                 testmedia::Quote("import sys\nfrom mutagen.id3 import ID3\n"
                                                  "t = ID3(sys.argv[1], translate=False)\n"
                                                  "print(t.version[1], t['TIT2'].text[0], t['TPE1'].text[0],"
                                                  " t['TCON'].text[0], t['TYER'].text[0], t['TRCK'].text[0])\n"
                                                  "print(open(sys.argv[1], 'rb').read()[-128:-125])\n") +
                                 " " + testmedia::Quote(path),
                             &out),
              0);
    EXPECT_EQ(out, "3 Песня Ärtist Blues 1987 4\nb'TAG'\n");

    TAudioFileInformation3 reader;
    reader.SetTagType(1);
    ASSERT_TRUE(reader.ReadFromFile(path));
    EXPECT_EQ(reader.Title(), u"Песня");
    EXPECT_EQ(reader.Comments(), u"comment");
    EXPECT_EQ(reader.Year(), 1987);
    EXPECT_EQ(reader.Track(), 4);
    EXPECT_EQ(reader.AudioInfo().Duration(), 1000);
    EXPECT_EQ(reader.AudioInfo().FormatTag(), 85);
    reader.SetTagType(2);
    ASSERT_TRUE(reader.ReadFromFile(path));
    EXPECT_EQ(reader.Artist(), u"Ärtist");  // Latin-1 fits ID3v1
    EXPECT_EQ(reader.Album(), u"Album");

    // Not audio: false, empty texts and zeros.
    std::string junk = testmedia::MakeFile(dir, "junk.mp3", std::vector<std::uint8_t>(3000, 'z'));
    EXPECT_FALSE(reader.ReadFromFile(junk));
    EXPECT_EQ(reader.Title(), u"");
    EXPECT_EQ(reader.Year(), 0);
    EXPECT_EQ(reader.AudioInfo().Size(), 0);
    // Unknown property names fail through the wrapper's error.
    EXPECT_THROW(reader.SetPropertyByName(u"NoSuchThing", u"x"), EOleException);
}

TEST_F(FileComponents, VariantsAcrossTheInterface) {
    std::string path = testmedia::MakeWav(dir, "v.wav", WavSpec{44100, 2, 16, 2.0});
    TAudioFile3 f;
    f.Open(path);
    IAudioFile3* raw = f.DefaultInterface();
    // Any integer or real variant is a time; the result is VT_I4 while it fits.
    VARIANT t, result;
    VariantInit(&t);
    VariantInit(&result);
    t.vt = VT_R8;
    t.dblVal = 1000.0;
    ASSERT_EQ(raw->SeekTime(t, 1, &result), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    std::int64_t size = testmedia::FileSize(path);
    EXPECT_EQ(result.lVal, (1000 * size + 1000) / 2000);
    t.vt = VT_I2;
    t.iVal = 500;
    ASSERT_EQ(raw->SeekTime(t, 1, &result), S_OK);
    EXPECT_EQ(result.lVal, (500 * size + 1000) / 2000);
    t.vt = VT_BSTR;
    t.bstrVal = SysAllocString(u"abc");
    EXPECT_EQ(raw->SeekTime(t, 1, &result), DISP_E_TYPEMISMATCH);
    VariantClear(&t);
    // Through late binding too.
    IDispatch* disp = raw;
    std::u16string name = u"SeekTime";
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    ASSERT_EQ(disp->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), S_OK);
    VARIANT args[3];
    for (auto& a : args) VariantInit(&a);
    VariantInit(&result);
    args[0].vt = VT_VARIANT | VT_BYREF;
    args[0].pvarVal = &result;
    args[1].vt = VT_I4;
    args[1].lVal = 1;
    args[2].vt = VT_I4;
    args[2].lVal = 2000;
    DISPPARAMS params{args, nullptr, 3, 0};
    ASSERT_EQ(disp->Invoke(id, GUID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(result.lVal, size);
    f.Close();
}

TEST_F(FileComponents, ErrorsCarryClearTexts) {
    auto text = [](auto&& f) -> std::string {
        try {
            f();
        } catch (const EOleException& e) {
            return e.what();
        }
        return "";
    };
    TAudioFile3 f;
    EXPECT_NE(text([&] { f.Open(dir + "/gone.mp3"); }).find("does not exist"), std::string::npos);
    std::string junk = testmedia::MakeFile(dir, "junk.wav", std::vector<std::uint8_t>(1000, 3));
    EXPECT_NE(text([&] { f.Open(junk); }).find("not a supported audio file"), std::string::npos);
    EXPECT_NE(text([&] { f.Read(100); }).find("No file is open"), std::string::npos);
    EXPECT_NE(text([&] { f.Create(dir + "/x.flac", 7); }).find("Unknown output file type"), std::string::npos);
    EXPECT_NE(text([&] { f.Create(dir + "/missing/x.wav", kFileTypeWav); }).find("does not exist"),
              std::string::npos);
    f.Create(dir + "/x.wav", kFileTypeWav);
    TAudioBlock junkBlock = TAudioBlock::FromBytes(std::vector<std::uint8_t>(40, 9));
    EXPECT_NE(text([&] { f.Write(junkBlock); }).find("not audio"), std::string::npos);
    f.Close();
    TAudioFileInformation3 tags;
    EXPECT_NE(text([&] { tags.WriteToFile(dir + "/gone.mp3"); }).find("does not exist"), std::string::npos);
    EXPECT_NE(text([&] { tags.SetTagType(3); }), "");
}

TEST_F(FileComponents, UnregisteredClassNamesTheComponentItsModuleAndTheRepair) {
    std::string empty = testmedia::MakeTempDir("emptyreg");
    PlatformSetRegistryDir(empty.c_str());
    TAudioFile3 f;
    std::string message;
    try {
        f.Open(dir + "/a.wav");
    } catch (const EOleException& e) {
        message = e.what();
        EXPECT_EQ(e.ErrorCode(), REGDB_E_CLASSNOTREG);
    }
    EXPECT_EQ(message.rfind("Class not registered: the component KezAudioFile3.AudioFile3 "
                            "(module libKezAudioFile3.so)", 0), 0u) << message;
    EXPECT_NE(message.find("/libKezAudioFile3.so", message.find("regsvr /")), std::string::npos) << message;
    PlatformSetRegistryDir(std::getenv("PLATFORM_REGISTRY_DIR"));
    testmedia::RemoveTree(empty);
}

}  // namespace
