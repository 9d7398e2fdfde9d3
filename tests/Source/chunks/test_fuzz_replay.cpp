// Inputs kept from fuzzing (and the seeds it started from), replayed through the same
// harness in every test run.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

TEST(ChunksFuzzRegressions, EveryKeptInputRunsCleanly) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KEZ_CHUNKS_REGRESSIONS)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0);
        ++files;
    }
    EXPECT_GE(files, 5);
}
