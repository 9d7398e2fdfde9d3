// Any bytes, written to a file, opened as audio: the decoder may refuse them with a
// MediaError but must not crash, hang or read out of bounds.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = ScratchPath();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    bool opened = false;
    try {
        kez::media::AudioReader r;
        r.Open(path);
        opened = true;
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
    // The tag components read tags only of files the decoder accepted.
    if (opened) {
        kez::media::TagSet tags;
        kez::media::ReadTags(path, 1, &tags);
        kez::media::ReadTags(path, 2, &tags);
    }
    return 0;
}
