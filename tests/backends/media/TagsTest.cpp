// Tags: ID3v2.3 and ID3v1 written into MP3 files are what an independent reader (mutagen)
// finds, non-Latin text included; the native tags of Ogg, WMA and MP3 files made by ffmpeg
// read back.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "MediaError.h"
#include "Tags.h"
#include "TestMedia.h"

using namespace kez::media;
using testmedia::WavSpec;

namespace {

class TagsTest : public ::testing::Test {
protected:
    void SetUp() override { dir = testmedia::MakeTempDir("tags"); }
    void TearDown() override { testmedia::RemoveTree(dir); }
    std::string dir;
};

std::string Mutagen(const std::string& script, const std::string& path) {
    std::string out;
    int rc = testmedia::Run("/usr/bin/python3 -c " + testmedia::Quote(script) + " " + testmedia::Quote(path), &out);
    EXPECT_EQ(rc, 0) << out;
    return out;
}

TEST_F(TagsTest, Mp3WriteIsId3v23AndId3v1) {
    std::string path = testmedia::MakeMp3(dir, "a.mp3", WavSpec{44100, 2, 16, 1.0});
    TagSet t;
    t.title = "Заголовок 标题";
    t.artist = "Künstler";
    t.album = "Album";
    t.genre = "Rock";
    t.comment = "note";
    t.year = 2004;
    t.track = 7;
    WriteMp3Tags(path, t);
    std::string out = Mutagen(
        "import sys\n"
        "from mutagen.id3 import ID3\n"
        "t = ID3(sys.argv[1], translate=False)\n"
        "print(t.version[1])\n"
        "print(t['TIT2'].text[0]); print(t['TPE1'].text[0]); print(t['TALB'].text[0])\n"
        "print(t['TCON'].text[0]); print(t['TRCK'].text[0]); print(str(t['TYER'].text[0]))\n"
        "d = open(sys.argv[1], 'rb').read()\n"
        "print(d[-128:-125] == b'TAG', d[-128+33:-128+63].rstrip(b'\\0').decode('latin-1'))\n",
        path);
    EXPECT_EQ(out, "3\nЗаголовок 标题\nKünstler\nAlbum\nRock\n7\n2004\nTrue Künstler\n");
    // The file still decodes to the same length.
    EXPECT_EQ(testmedia::FfmpegDecodedFrames(path), 44100);

    TagSet v2, v1;
    ASSERT_TRUE(ReadTags(path, 1, &v2));
    EXPECT_EQ(v2.title, t.title);
    EXPECT_EQ(v2.year, 2004);
    EXPECT_EQ(v2.track, 7);
    EXPECT_EQ(v2.comment, "note");
    ASSERT_TRUE(ReadTags(path, 2, &v1));
    EXPECT_EQ(v1.artist, "Künstler");
    EXPECT_EQ(v1.album, "Album");
    EXPECT_EQ(v1.year, 2004);

    // Writing again replaces, not duplicates.
    t.title = "Second";
    WriteMp3Tags(path, t);
    out = Mutagen("import sys\nfrom mutagen.id3 import ID3\nprint(ID3(sys.argv[1])['TIT2'].text)\n", path);
    EXPECT_EQ(out, "['Second']\n");
}

TEST_F(TagsTest, OnlyOneKindPresent) {
    std::string path = testmedia::MakeMp3(dir, "a.mp3", WavSpec{44100, 2, 16, 0.5});
    // Strip everything, then write an ID3v1 tag alone.
    ASSERT_EQ(testmedia::Run("/usr/bin/python3 -c " +
                             testmedia::Quote("import sys\n"
                                              "from mutagen.id3 import ID3\n"
                                              "ID3(sys.argv[1]).delete()\n"
                                              "f = open(sys.argv[1], 'ab')\n"
                                              "f.write(b'TAG' + b'Only V1'.ljust(30, b'\\0') + b'Art'.ljust(30, b'\\0')"
                                              " + b'Alb'.ljust(30, b'\\0') + b'1999' + b'\\0'*28 + b'\\0\\x05' + b'\\x11')\n") +
                             " " + testmedia::Quote(path)),
              0);
    TagSet t;
    ASSERT_TRUE(ReadTags(path, 1, &t));
    EXPECT_EQ(t.title, "");
    EXPECT_EQ(t.track, 0);
    ASSERT_TRUE(ReadTags(path, 2, &t));
    EXPECT_EQ(t.title, "Only V1");
    EXPECT_EQ(t.year, 1999);
    EXPECT_EQ(t.track, 5);
}

TEST_F(TagsTest, NativeTagsOfOtherFormats) {
    testmedia::Tags in;
    in.title = "Titel ñ";
    in.artist = "Artist";
    in.album = "Album";
    in.genre = "Jazz";
    in.year = 2011;
    in.track = 3;
    in.comment = "c";
    WavSpec s{44100, 2, 16, 0.5};
    for (const std::string& path : {testmedia::MakeOgg(dir, "a.ogg", s, 128, &in),
                                    testmedia::MakeWma(dir, "a.wma", s, 128, &in),
                                    testmedia::MakeMp3(dir, "a.mp3", s, 128, false, &in)}) {
        SCOPED_TRACE(path);
        TagSet t;
        ASSERT_TRUE(ReadTags(path, 1, &t));
        EXPECT_EQ(t.title, in.title);
        EXPECT_EQ(t.artist, in.artist);
        EXPECT_EQ(t.album, in.album);
        EXPECT_EQ(t.genre, in.genre);
        EXPECT_EQ(t.year, in.year);
        EXPECT_EQ(t.track, in.track);
    }
}

TEST_F(TagsTest, BadFiles) {
    TagSet t;
    EXPECT_FALSE(ReadTags(dir + "/missing.mp3", 1, &t));
    EXPECT_FALSE(ReadTags(dir, 1, &t));
    std::string junk = testmedia::MakeFile(dir, "junk.xyz", std::vector<std::uint8_t>(100, 1));
    EXPECT_FALSE(ReadTags(junk, 1, &t));
    EXPECT_THROW(WriteMp3Tags(dir + "/missing.mp3", TagSet{}), MediaError);
    std::string ogg = testmedia::MakeOgg(dir, "x.ogg", WavSpec{44100, 2, 16, 0.3});
    std::rename(ogg.c_str(), (dir + "/x.mp3").c_str());
    ogg = dir + "/x.mp3";
    EXPECT_THROW(WriteMp3Tags(ogg, TagSet{}), MediaError);
}

// A tag save that does not fit on the disk (a 2 MB tmpfs, mounted when the test runs as
// root) is an error saying so, and the file is left exactly as it was.
TEST_F(TagsTest, Mp3TagSaveOnAFullDiskFailsAndKeepsTheFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    const std::string mnt = dir + "/small";
    ASSERT_EQ(::mkdir(mnt.c_str(), 0700), 0);
    if (testmedia::Run("mount -t tmpfs -o size=2m tmpfs " + testmedia::Quote(mnt)) != 0)
        GTEST_SKIP() << "tmpfs cannot be mounted here";
    WavSpec shape{44100, 2, 16, 40.0};
    shape.noise = true;
    const std::string made = testmedia::MakeMp3(dir, "big.mp3", shape, 320);  // about 1.6 MB
    const auto bytes = testmedia::ReadAll(made);
    const std::string path = testmedia::MakeFile(mnt, "big.mp3", bytes);
    TagSet t;
    t.title = "title";
    std::string error;
    try {
        WriteMp3Tags(path, t);
    } catch (const MediaError& e) {
        error = e.what();
    }
    const bool same = testmedia::ReadAll(path) == bytes;
    std::string left;
    testmedia::Run("ls -A " + testmedia::Quote(mnt), &left);
    testmedia::Run("umount " + testmedia::Quote(mnt));
    EXPECT_NE(error.find("disk full"), std::string::npos) << error;
    EXPECT_TRUE(same);
    EXPECT_EQ(left, "big.mp3\n");
}

}  // namespace
