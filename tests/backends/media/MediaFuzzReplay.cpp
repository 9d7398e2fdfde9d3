// Inputs kept from fuzzing the media open and tag readers, replayed in every test run
// (under the sanitizer build a read out of bounds fails it).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

TEST(MediaFuzzRegressions, EveryKeptInputRunsCleanly) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KEZ_MEDIA_REGRESSIONS)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0);
        ++files;
    }
    EXPECT_GE(files, 4);
}
