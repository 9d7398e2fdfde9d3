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

}  // namespace
