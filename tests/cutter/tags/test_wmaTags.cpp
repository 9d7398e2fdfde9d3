// WriteWmaTags: its calls watched through a spy editor module, and its effect on real WMA
// files (ffmpeg's wmav2) through the WMVCORE module, read back by mutagen and exiftool.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "WMVCORE/wmsdk.h"
#include "com/combase.h"
#include "tooling.h"
#include "wmaTags.h"
#include "wmvcore_spy.h"

#ifdef HAVE_KEZ_MEDIA
#include <cmath>

#include "AudioWriter.h"
#endif

using namespace testing_tools;

namespace {

std::string BinDir() {
    const char* bin = std::getenv("KEZ_BIN_DIR");
    return bin ? bin : ".";
}

std::u16string Wide(const std::string& s) {
    std::u16string out(s.begin(), s.end());
    return out;
}

const char* const kTwelve[] = {"WM/EncodedBy", "WM/Genre", "Author",  "WM/Composer", "Title",       "WM/AlbumTitle",
                               "WM/Year",      "WM/TrackNumber", "WM/URL", "Copyright", "Description", "WM/Lyrics"};

// Captures the writer's message instead of printing it.
struct MessageCapture {
    MessageCapture() {
        SetWmaTagsMessageHandler([this](const std::string& text) { messages.push_back(text); });
    }
    ~MessageCapture() {
        SetWmaTagsMessageHandler({});
        SetWmaTagsLibraryName(u"WMVCORE.DLL");
    }
    std::vector<std::string> messages;
};

class SpyTest : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryW(Wide(BinDir() + "/libwmvcore_spy.so").c_str());
        ASSERT_NE(module, nullptr) << PlatformLastLoadError();
        spy = reinterpret_cast<SpyStateFn>(GetProcAddress(module, "SpyGetState"))();
        *spy = SpyState();
        SetWmaTagsLibraryName(Wide(BinDir() + "/libwmvcore_spy.so"));
        file = dir.file("a.wma");
        WriteBytes(file, {1, 2, 3});
    }
    void TearDown() override {
        if (module) FreeLibrary(module);
    }
    std::vector<std::string> Lookups(const std::string& tail = "anylang nobuffer 0") {
        std::vector<std::string> out;
        for (const char* name : kTwelve) out.push_back(std::string("GetAttributeIndices 65535 ") + name + " " + tail);
        return out;
    }

    MessageCapture capture;
    TempDir dir;
    std::string file;
    HMODULE module = nullptr;
    SpyState* spy = nullptr;
};

TEST_F(SpyTest, AddsMissingAttributeWithByteLength) {
    TTagsData tags;
    tags.GenreText = "Rock";
    ASSERT_TRUE(WriteWmaTags(file, tags));
    std::vector<std::string> expected = {"WMCreateEditor", "QueryInterface IWMHeaderInfo3", "Open " + file};
    for (const std::string& lookup : Lookups()) {
        expected.push_back(lookup);
        if (lookup.find("WM/Genre") != std::string::npos) expected.push_back("AddAttribute 0 WM/Genre 1 0 Rock 8");
    }
    for (const char* call : {"Flush", "Release", "Close", "Release"}) expected.push_back(call);
    EXPECT_EQ(spy->calls, expected);
    EXPECT_EQ(spy->liveObjects, 0);
    EXPECT_TRUE(capture.messages.empty());
}

TEST_F(SpyTest, ModifiesFirstAndDeletesEmptied) {
    spy->header = {{u"WM/Genre", u"Pop"}, {u"Title", u"Old"}, {u"Title", u"Old2"}, {u"WM/Lyrics", u"la"}};
    TTagsData tags;
    tags.TitleText = "New";
    ASSERT_TRUE(WriteWmaTags(file, tags));
    const auto& c = spy->calls;
    auto at = [&](const std::string& call) { return std::find(c.begin(), c.end(), call) != c.end(); };
    EXPECT_TRUE(at("GetAttributeIndices 65535 WM/Genre anylang buffer 1"));
    EXPECT_TRUE(at("DeleteAttribute 0 0"));
    // After the delete the two titles are at 0 and 1; the first is changed.
    EXPECT_TRUE(at("GetAttributeIndices 65535 Title anylang buffer 2"));
    EXPECT_TRUE(at("ModifyAttribute 0 0 1 0 New 6"));
    EXPECT_TRUE(at("DeleteAttribute 0 2"));  // the lyrics, now third
    EXPECT_EQ(std::count_if(c.begin(), c.end(), [](const std::string& s) { return s.rfind("Add", 0) == 0; }), 0);
    const decltype(spy->header) remaining = {{u"Title", u"New"}, {u"Title", u"Old2"}};
    EXPECT_EQ(spy->header, remaining);
}

TEST_F(SpyTest, EditorFailuresRaiseTheirMessages) {
    struct Row {
        HRESULT create, query;
        const char* message;
        std::vector<std::string> calls;
    };
    const Row rows[] = {
        {E_FAIL, S_OK, "Could not create Metadata Editor ($80004005).", {"WMCreateEditor"}},
        {S_OK, E_NOINTERFACE, "Could not QI for IWMHeaderInfo3 ($80004002).",
         {"WMCreateEditor", "QueryInterface IWMHeaderInfo3", "Release"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        *spy = SpyState();
        spy->createResult = row.create;
        spy->queryResult = row.query;
        TTagsData tags;
        tags.TitleText = "x";
        try {
            WriteWmaTags(file, tags);
            ADD_FAILURE() << "no error raised";
        } catch (const EWmaTagsError& e) {
            EXPECT_STREQ(e.what(), row.message);
        }
        EXPECT_EQ(spy->calls, row.calls);
        EXPECT_EQ(spy->liveObjects, 0);
    }
    EXPECT_TRUE(capture.messages.empty());
}

TEST_F(SpyTest, UnreadableFileIsNotTaggedAndNotFlushed) {
    spy->openResult = NS_E_INVALID_INPUT_FORMAT;
    TTagsData tags;
    tags.TitleText = "x";
    EXPECT_FALSE(WriteWmaTags(file, tags));
    const std::vector<std::string> expected = {"WMCreateEditor", "QueryInterface IWMHeaderInfo3", "Open " + file,
                                               "Release", "Release"};
    EXPECT_EQ(spy->calls, expected);
}

TEST_F(SpyTest, MissingFileLoadsNothing) {
    TTagsData tags;
    tags.TitleText = "x";
    EXPECT_FALSE(WriteWmaTags(dir.file("none.wma"), tags));
    EXPECT_FALSE(WriteWmaTags(dir.path(), tags));  // a folder is not a file
    EXPECT_TRUE(spy->calls.empty());
    EXPECT_TRUE(capture.messages.empty());
}

TEST_F(SpyTest, UnusableLibraryShowsLoadMessage) {
    TTagsData tags;
    tags.TitleText = "x";
    // Missing, and present without the editor entry.
    for (const std::string& name : {dir.file("WMVCORE.DLL"), BinDir() + "/libplatform.so"}) {
        SCOPED_TRACE(name);
        capture.messages.clear();
        SetWmaTagsLibraryName(Wide(name));
        EXPECT_FALSE(WriteWmaTags(file, tags));
        EXPECT_EQ(capture.messages, std::vector<std::string>{"Could not Load Library ($0)."});
    }
    EXPECT_TRUE(spy->calls.empty());
}

TEST(ShortText, CutsAt255BytesOnWholeCharacters) {
    TTagsData tags;
    tags.TitleText = std::string(300, 'x');
    EXPECT_EQ(tags.TitleText.str(), std::string(255, 'x'));
    tags.TitleText = std::string(254, 'x') + "\xC3\xA9";  // é would end at byte 256
    EXPECT_EQ(tags.TitleText.str(), std::string(254, 'x'));
    tags.TitleText = "Rock";
    EXPECT_EQ(tags.TitleText.str(), "Rock");
}

// --- real files through WMVCORE ---

using Attributes = std::map<std::string, std::vector<std::string>>;

Attributes ReadWithMutagen(const std::string& path) {
    const std::string script =
        "import sys\nfrom mutagen.asf import ASF\nf = ASF(sys.argv[1])\n"
        "for k, vs in f.tags.items():\n    for v in vs:\n"
        "        sys.stdout.buffer.write((k + '\\x1f' + str(v) + '\\x1e').encode('utf-8'))\n";
    const auto r = RunCommand("/usr/bin/python3 -c " + Quote(script) + " " + Quote(path));
    EXPECT_EQ(r.status, 0);
    Attributes out;
    std::stringstream in(r.out);
    std::string item;
    while (std::getline(in, item, '\x1e')) {
        const auto sep = item.find('\x1f');
        if (sep != std::string::npos) out[item.substr(0, sep)].push_back(item.substr(sep + 1));
    }
    return out;
}

Attributes OnlyTwelve(const Attributes& all, bool twelve = true) {
    Attributes out;
    for (const auto& [k, v] : all) {
        const bool ours = std::find_if(std::begin(kTwelve), std::end(kTwelve), [&](const char* n) { return k == n; }) !=
                          std::end(kTwelve);
        if (ours == twelve) out[k] = v;
    }
    return out;
}

std::string Decode(const std::string& path) {
    return RunCommand("ffmpeg -nostdin -v error -i " + Quote(path) + " -f s16le -").out;
}

class WmaFile : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"ffmpeg", "exiftool"})
            if (!HaveTool(tool)) GTEST_SKIP() << tool << " missing";
        path = dir.file("out.wma");
        ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=523:duration=2 -c:a wmav2 "
                             "-b:a 64k " +
                             Quote(path))
                      .status,
                  0);
        audio = Decode(path);
        ASSERT_FALSE(audio.empty());
        others = OnlyTwelve(ReadWithMutagen(path), false);
    }
    void ExpectAttributes(const Attributes& expected, const char* only = "out.wma") {
        const Attributes all = ReadWithMutagen(path);
        EXPECT_EQ(OnlyTwelve(all), expected);
        EXPECT_EQ(OnlyTwelve(all, false), others);
        EXPECT_EQ(Decode(path), audio);
        EXPECT_EQ(RunCommand("ffprobe -v error " + Quote(path) + " 2>&1 | cat").out, "");
        // The file properties state the file's new size.
        const auto bytes = ReadBytes(path);
        const std::uint8_t fpo[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                      0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
        const auto at = std::search(bytes.begin(), bytes.end(), std::begin(fpo), std::end(fpo));
        ASSERT_NE(at, bytes.end());
        std::uint64_t stated = 0;
        for (int i = 7; i >= 0; --i) stated = (stated << 8) | at[40 + i];
        EXPECT_EQ(stated, bytes.size());
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            EXPECT_EQ(entry.path().filename(), only) << "left over";
    }
    MessageCapture capture;
    TempDir dir;
    std::string path;
    std::string audio;
    Attributes others;
};

TTagsData Full(const std::string& v) {
    TTagsData t;
    t.EncodedByText = "enc " + v;
    t.GenreText = "genre " + v;
    t.AuthorText = "author " + v;
    t.TitleText = "title " + v;
    t.AlbumTitleText = "album " + v;
    t.ComposerText = "composer " + v;
    t.UrlText = "http://example.org/" + v;
    t.TrackNumberText = "3";
    t.YearText = "1999";
    t.CopyrightText = "(c) " + v;
    t.DescriptionText = u"about " + Wide(v);
    t.LyricsText = u"la la " + Wide(v);
    return t;
}

Attributes Expected(const std::string& v) {
    return {{"WM/EncodedBy", {"enc " + v}},   {"WM/Genre", {"genre " + v}},
            {"Author", {"author " + v}},      {"Title", {"title " + v}},
            {"WM/AlbumTitle", {"album " + v}}, {"WM/Composer", {"composer " + v}},
            {"WM/URL", {"http://example.org/" + v}}, {"WM/TrackNumber", {"3"}},
            {"WM/Year", {"1999"}},            {"Copyright", {"(c) " + v}},
            {"Description", {"about " + v}},  {"WM/Lyrics", {"la la " + v}}};
}

TEST_F(WmaFile, SetsReplacesAndRemovesTheTwelve) {
    ASSERT_TRUE(WriteWmaTags(path, Full("one")));
    ExpectAttributes(Expected("one"));
    const auto exif = RunCommand("exiftool -s3 -Title -Author -Genre " + Quote(path));
    EXPECT_EQ(exif.out, "title one\nauthor one\ngenre one\n");

    ASSERT_TRUE(WriteWmaTags(path, Full("two")));
    ExpectAttributes(Expected("two"));

    TTagsData some;
    some.TitleText = "only";
    some.GenreText = "Rock";
    ASSERT_TRUE(WriteWmaTags(path, some));
    ExpectAttributes({{"Title", {"only"}}, {"WM/Genre", {"Rock"}}});

    ASSERT_TRUE(WriteWmaTags(path, Full("three")));
    ASSERT_TRUE(WriteWmaTags(path, TTagsData()));
    ExpectAttributes({});
    EXPECT_TRUE(capture.messages.empty());
}

TEST_F(WmaFile, LongAndNonLatinTexts) {
    TTagsData tags;
    tags.TitleText = std::string(300, 'x');
    tags.AuthorText = "Ærø 東京";
    tags.DescriptionText = u"Ünïcødé \U0001F3B5 text";
    ASSERT_TRUE(WriteWmaTags(path, tags));
    ExpectAttributes({{"Title", {std::string(255, 'x')}},
                      {"Author", {"Ærø 東京"}},
                      {"Description", {"Ünïcødé 🎵 text"}}});
}

TEST_F(WmaFile, DuplicatesWrittenByOtherToolsAreOneAttribute) {
    // ffmpeg writes the author both in the content description and among the extended
    // attributes; emptying it leaves neither.
    const std::string tagged = dir.file("tagged.wma");
    ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -y -i " + Quote(path) +
                         " -c copy -metadata artist=A -metadata title=T -metadata genre=G " + Quote(tagged))
                  .status,
              0);
    ASSERT_EQ(ReadWithMutagen(tagged)["Author"].size(), 2u);
    ASSERT_TRUE(WriteWmaTags(tagged, TTagsData()));
    const Attributes after = OnlyTwelve(ReadWithMutagen(tagged));
    EXPECT_TRUE(after.empty()) << after.begin()->first;
}

#ifdef HAVE_KEZ_MEDIA
TEST_F(WmaFile, FileOfTheProgramsOwnWriter) {
    path = dir.file("ours.wma");
    {
        WriteBytes(path, {});
        const kez::media::PcmFormat fmt{44100, 2, 16, false};
        std::vector<std::uint8_t> block = kez::media::NewBlock(fmt, 2 * 44100);
        auto* samples = reinterpret_cast<std::int16_t*>(block.data() + kez::media::kBlockHeaderSize);
        for (int i = 0; i < 2 * 2 * 44100; ++i) samples[i] = std::int16_t(6000 * std::sin(i * 0.031));
        kez::media::EncoderSettings settings;
        settings.kind = kez::media::OutputKind::Wma;
        kez::media::AudioWriter writer;
        writer.Create(path, settings);
        writer.Write(block.data(), block.size());
        writer.Close();
    }
    std::filesystem::remove(dir.file("out.wma"));
    audio = Decode(path);
    ASSERT_FALSE(audio.empty());
    others = OnlyTwelve(ReadWithMutagen(path), false);
    ASSERT_TRUE(WriteWmaTags(path, Full("own")));
    ExpectAttributes(Expected("own"), "ours.wma");
    ASSERT_TRUE(WriteWmaTags(path, TTagsData()));
    ExpectAttributes({}, "ours.wma");
}
#endif

TEST_F(WmaFile, KeepsPermissionBits) {
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WriteWmaTags(path, Full("p")));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(WmaFile, NotAWmaFileIsLeftAlone) {
    const std::string text = dir.file("notes.wma");
    WriteBytes(text, {'h', 'e', 'l', 'l', 'o'});
    EXPECT_FALSE(WriteWmaTags(text, Full("x")));
    EXPECT_EQ(ReadBytes(text), (std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o'}));
}

// The editor's own contract, driven directly.
TEST_F(WmaFile, EditorIndicesAndBuffers) {
    ASSERT_TRUE(WriteWmaTags(path, Full("e")));
    HMODULE module = LoadLibraryW(u"WMVCORE.DLL");
    ASSERT_NE(module, nullptr) << PlatformLastLoadError();
    auto create = reinterpret_cast<WMCreateEditorFn>(GetProcAddress(module, "WMCreateEditor"));
    ASSERT_NE(create, nullptr);
    IWMMetadataEditor* editor = nullptr;
    ASSERT_EQ(create(&editor), S_OK);
    IWMHeaderInfo3* header = nullptr;
    ASSERT_EQ(editor->QueryInterface(IID_IWMHeaderInfo3, reinterpret_cast<void**>(&header)), S_OK);
    WORD count = 0;
    EXPECT_EQ(header->GetAttributeIndices(WM_ANY_STREAM, u"Title", nullptr, nullptr, &count), NS_E_INVALID_REQUEST);
    EXPECT_EQ(editor->Open(Wide(dir.file("none.wma")).c_str()), NS_E_FILE_OPEN_FAILED);
    ASSERT_EQ(editor->Open(Wide(path).c_str()), S_OK);

    ASSERT_EQ(header->GetAttributeIndices(WM_ANY_STREAM, u"WM/Genre", nullptr, nullptr, &count), S_OK);
    ASSERT_EQ(count, 1);
    WORD genre = 0;
    count = 0;
    WORD none[1];
    EXPECT_EQ(header->GetAttributeIndices(WM_ANY_STREAM, u"WM/Genre", nullptr, none, &count), ASF_E_BUFFERTOOSMALL);
    count = 1;
    ASSERT_EQ(header->GetAttributeIndices(WM_ANY_STREAM, u"WM/Genre", nullptr, &genre, &count), S_OK);

    // The value comes back with its terminating zero.
    WORD nameLength = 0;
    DWORD length = 0;
    WMT_ATTR_DATATYPE type{};
    ASSERT_EQ(header->GetAttributeByIndexEx(0, genre, nullptr, &nameLength, &type, nullptr, nullptr, &length), S_OK);
    EXPECT_EQ(nameLength, 9);
    EXPECT_EQ(type, WMT_TYPE_STRING);
    EXPECT_EQ(length, 2 * (7 + 1));  // "genre e"

    // Deleting moves the later attributes down by one.
    WORD before = 0;
    ASSERT_EQ(header->GetAttributeCount(WM_ANY_STREAM, &before), S_OK);
    WORD lyrics = 0;
    count = 1;
    ASSERT_EQ(header->GetAttributeIndices(WM_ANY_STREAM, u"WM/Lyrics", nullptr, &lyrics, &count), S_OK);
    ASSERT_EQ(header->DeleteAttribute(0, genre), S_OK);
    WORD lyricsAfter = 0;
    count = 1;
    ASSERT_EQ(header->GetAttributeIndices(WM_ANY_STREAM, u"WM/Lyrics", nullptr, &lyricsAfter, &count), S_OK);
    EXPECT_EQ(lyricsAfter, lyrics > genre ? lyrics - 1 : lyrics);
    EXPECT_EQ(header->DeleteAttribute(0, 0xFFF0), E_INVALIDARG);

    // Typed values are checked; the description texts are single.
    const DWORD dword = 5;
    WORD index = 0;
    EXPECT_EQ(header->AddAttribute(0, u"WM/Counter", &index, WMT_TYPE_DWORD, 0, reinterpret_cast<const BYTE*>(&dword), 3),
              E_INVALIDARG);
    EXPECT_EQ(header->AddAttribute(0, u"WM/Counter", &index, WMT_TYPE_DWORD, 0, reinterpret_cast<const BYTE*>(&dword), 4),
              S_OK);
    const char16_t t[] = u"T2";
    EXPECT_EQ(header->AddAttribute(0, u"Title", &index, WMT_TYPE_STRING, 0, reinterpret_cast<const BYTE*>(t), 4),
              NS_E_INVALID_REQUEST);

    // Close forgets the changes.
    EXPECT_EQ(editor->Close(), S_OK);
    header->Release();
    editor->Release();
    FreeLibrary(module);
    Attributes expected = Expected("e");
    ExpectAttributes(expected);
}

TEST_F(WmaFile, EditorWritesTypedAttributes) {
    HMODULE module = LoadLibraryW(u"WMVCORE.DLL");
    ASSERT_NE(module, nullptr);
    auto create = reinterpret_cast<WMCreateEditorFn>(GetProcAddress(module, "WMCreateEditor"));
    IWMMetadataEditor* editor = nullptr;
    ASSERT_EQ(create(&editor), S_OK);
    IWMHeaderInfo3* header = nullptr;
    ASSERT_EQ(editor->QueryInterface(IID_IWMHeaderInfo3, reinterpret_cast<void**>(&header)), S_OK);
    ASSERT_EQ(editor->Open(Wide(path).c_str()), S_OK);
    const DWORD dword = 77;
    const WORD word = 9;
    const char16_t text[] = u"with zero";  // a terminating zero given by the caller is not stored
    WORD index = 0;
    ASSERT_EQ(header->AddAttribute(0, u"WM/Counter", &index, WMT_TYPE_DWORD, 0, reinterpret_cast<const BYTE*>(&dword), 4),
              S_OK);
    ASSERT_EQ(header->AddAttribute(0, u"WM/Small", &index, WMT_TYPE_WORD, 0, reinterpret_cast<const BYTE*>(&word), 2),
              S_OK);
    ASSERT_EQ(header->AddAttribute(0, u"WM/Mood", &index, WMT_TYPE_STRING, 0, reinterpret_cast<const BYTE*>(text),
                                   sizeof text),
              S_OK);
    ASSERT_EQ(editor->Flush(), S_OK);
    header->Release();
    editor->Release();
    FreeLibrary(module);
    const Attributes all = ReadWithMutagen(path);
    EXPECT_EQ(all.at("WM/Counter"), std::vector<std::string>{"77"});
    EXPECT_EQ(all.at("WM/Small"), std::vector<std::string>{"9"});
    EXPECT_EQ(all.at("WM/Mood"), std::vector<std::string>{"with zero"});
    EXPECT_EQ(Decode(path), audio);
}

}  // namespace
