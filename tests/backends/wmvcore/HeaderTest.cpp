// The header editor refuses a header whose objects do not fit in it (kept from fuzzing:
// the parser spent seconds on 1.5 KB) and still opens and rewrites a real file.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestMedia.h"
#include "WMVCORE/wmsdk.h"

extern "C" HRESULT WMCreateEditor(IWMMetadataEditor** editor);

namespace {

HRESULT OpenAndFlush(const std::string& path) {
    IWMMetadataEditor* ed = nullptr;
    EXPECT_EQ(WMCreateEditor(&ed), S_OK);
    const std::u16string wide(path.begin(), path.end());
    HRESULT hr = ed->Open(reinterpret_cast<const WCHAR*>(wide.c_str()));
    if (hr == S_OK) hr = ed->Flush();
    ed->Release();
    return hr;
}

TEST(WmaHeader, DamagedObjectSizesAreRefusedAndRealFilesRewritten) {
    const std::string dir = testmedia::MakeTempDir("wmahdr");
    int kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KEZ_WMA_REGRESSIONS)) {
        const std::string copy = dir + "/" + entry.path().filename().string();
        std::filesystem::copy_file(entry.path(), copy);
        EXPECT_EQ(OpenAndFlush(copy), NS_E_INVALID_INPUT_FORMAT) << copy;
        ++kept;
    }
    EXPECT_GE(kept, 1);
    testmedia::Tags tags;
    tags.title = "T";
    const std::string real = testmedia::MakeWma(dir, "real.wma", testmedia::WavSpec{}, 64, &tags);
    EXPECT_EQ(OpenAndFlush(real), S_OK);
    EXPECT_NEAR(testmedia::Ffprobe(real).duration, 1.0, 0.1);
    testmedia::RemoveTree(dir);
}

// What rewrites killed before safe saving left ("<target>.XXXXXX") goes on the next rewrite
// of that target; a user's copy of it under a typed suffix, another file's audio and a
// file that is not ASF stay.
TEST(WmaHeader, KilledRewritesLeftoversAreClearedAndUsersFilesKept) {
    const std::string dir = testmedia::MakeTempDir("wmaleft");
    testmedia::WavSpec shape;
    const std::string target = testmedia::MakeWma(dir, "song.wma", shape, 64);
    shape.frequency = 880.0;
    const auto other = testmedia::ReadAll(testmedia::MakeWma(dir, "other.wma", shape, 64));
    const auto bytes = testmedia::ReadAll(target);
    const std::vector<std::uint8_t> halfHeader(bytes.begin(), bytes.begin() + 100);
    const std::vector<std::uint8_t> cutShort(bytes.begin(), bytes.end() - 1000);
    struct Case {
        const char* suffix;
        const std::vector<std::uint8_t>* content;
        bool removed;
    } cases[] = {{"a8Xk2P", &bytes, true},   {"Q0zr7c", &halfHeader, true}, {"9pLm2x", &cutShort, true},
                 {"backup", &bytes, false},  {"Before", &bytes, false},     {"000001", &bytes, false},
                 {"Zq81mK", &other, false}};
    for (const Case& c : cases) testmedia::MakeFile(dir, std::string("song.wma.") + c.suffix, *c.content);
    const std::vector<std::uint8_t> text = {'n', 'o', 't', 'e', 's'};
    testmedia::MakeFile(dir, "song.wma.T4kq9w", text);
    EXPECT_EQ(OpenAndFlush(target), S_OK);
    for (const Case& c : cases)
        EXPECT_EQ(std::filesystem::exists(dir + "/song.wma." + c.suffix), !c.removed) << c.suffix;
    EXPECT_EQ(testmedia::ReadAll(dir + "/song.wma.T4kq9w"), text);
    testmedia::RemoveTree(dir);
}

}  // namespace
