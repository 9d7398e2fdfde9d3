// LoadFromFile and WriteTags on arbitrary bytes. Besides the sanitizers' findings, a
// refused write must leave the file as it was, and an accepted one must load again with
// the title written.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "OggVorbis.h"

namespace {

std::string ScratchPath() {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/fuzz-ogg-" + std::to_string(::getpid()) + ".ogg";
}

std::vector<std::uint8_t> Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = ScratchPath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    TOggVorbis ogg;
    const bool loaded = ogg.LoadFromFile(path);
    (void)ogg.DurationSeconds();
    (void)ogg.AverageBitRate();
    (void)ogg.IsValidStream();
    ogg.TagTitle = "T";
    ogg.TagArtist = size > 0 ? std::string(data[0], 'a') : std::string();
    ogg.TagTrack = size > 1 ? data[1] : 0;
    if (ogg.WriteTags(path)) {
        if (!loaded) std::abort();  // written although it does not even load
        TOggVorbis again;
        if (!again.LoadFromFile(path) || again.TagTitle != "T") std::abort();
    } else {
        const std::vector<std::uint8_t> now = Read(path);
        if (now.size() != size || !std::equal(now.begin(), now.end(), data)) std::abort();
    }
    if (::access((path + "~").c_str(), F_OK) == 0) std::abort();  // no temporary left behind
    return 0;
}
