// Any bytes, written to a file, opened as audio: the decoder may refuse them with a
// MediaError but must not crash, hang or read out of bounds. The tag readers see every
// input under each format's name, as the merge list reads the tags of any file it lists.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "AudioReader.h"
#include "MediaError.h"
#include "Tags.h"

namespace {

std::string ScratchPath() {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz-media-" + std::to_string(getpid());
}

// The tag readers pick the format by the name; the last byte picks the name.
const char* const kExtensions[] = {".mp3", ".ogg", ".wav", ".wma"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string base = ScratchPath();
    const std::string path = base + kExtensions[size ? data[size - 1] % 4 : 0];
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    try {
        kez::media::AudioReader r;
        r.Open(path);
        // Bounded work whatever length the header claims.
        std::int64_t budget = 200000;
        const kez::media::StreamInfo& info = r.Info();
        std::int64_t step = r.Size() / 5 + 1;
        for (int i = 0; i < 8 && r.Position() < r.Size(); ++i) {
            if (r.FrameOfUnit(r.Position() + step) - r.FrameOfUnit(r.Position()) > budget) break;
            auto block = r.Read(step);
            budget -= static_cast<std::int64_t>(block.size()) / 4;
        }
        if (info.durationMs > 0) {
            r.SeekTime(info.durationMs / 3);
            if (r.FrameOfUnit(r.Position() + 2000) - r.FrameOfUnit(r.Position()) < 100000) r.Read(2000);
        }
    } catch (const kez::media::MediaError&) {
    }
    kez::media::TagSet tags;
    kez::media::ReadTags(path, 1, &tags);
    kez::media::ReadTags(path, 2, &tags);
    std::remove(path.c_str());
    return 0;
}
