// The chunk walk over arbitrary bytes: descend, read and ascend must never crash or hang, and
// a copy made chunk by chunk while walking must walk to the same chunks and bytes.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "riff_walk.h"

namespace {

int memFile(const char* name) {
    return ::memfd_create(name, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int input = memFile("riff-in");
    static const int output = memFile("riff-out");
    static const std::string inPath = "/proc/self/fd/" + std::to_string(input);
    static const std::string outPath = "/proc/self/fd/" + std::to_string(output);
    if (input < 0 || output < 0) std::abort();
    if (::ftruncate(input, 0) != 0 || ::pwrite(input, data, size, 0) != (ssize_t)size) std::abort();

    // Small buffers, so that chunks cross buffer windows often.
    MMIOINFO small{};
    small.cchBuffer = 4096;
    HMMIO in = mmioOpenUtf8(inPath.c_str(), &small, MMIO_READ | MMIO_ALLOCBUF);
    small.cchBuffer = 4096;
    HMMIO out = mmioOpenUtf8(outPath.c_str(), &small, MMIO_CREATE | MMIO_READWRITE | MMIO_ALLOCBUF);
    if (!in || !out) std::abort();
    RiffWalk first;
    walkRiff(in, nullptr, 0, first, out);
    mmioClose(in, 0);
    if (mmioClose(out, 0) != MMSYSERR_NOERROR) std::abort();

    HMMIO copy = mmioOpenUtf8(outPath.c_str(), nullptr, MMIO_READ);
    if (!copy) std::abort();
    RiffWalk second;
    walkRiff(copy, nullptr, 0, second, nullptr);
    mmioClose(copy, 0);
    if (second.chunks != first.chunks || second.bytes != first.bytes) std::abort();
    return 0;
}
