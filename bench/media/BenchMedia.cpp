// bench_media open FILE            exact length (frames, ms)
// bench_media read FILE            decodes to the end, a second at a time
// bench_media write SRC OUT KIND KBPS   copies SRC into OUT (mp3, ogg, wma, wav)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "AudioReader.h"
#include "AudioWriter.h"
#include "MediaError.h"

using namespace kez::media;

int main(int argc, char** argv) {
    try {
        if (argc == 3 && std::strcmp(argv[1], "open") == 0) {
            StreamInfo i = ProbeFile(argv[2]);
            std::printf("%lld frames, %lld ms\n", static_cast<long long>(i.frames), static_cast<long long>(i.durationMs));
            return 0;
        }
        if (argc == 3 && std::strcmp(argv[1], "read") == 0) {
            AudioReader r;
            r.Open(argv[2]);
            std::int64_t second = r.Size() * 1000 / std::max<std::int64_t>(1, r.Info().durationMs);
            std::size_t bytes = 0;
            while (r.Position() < r.Size()) bytes += r.Read(second).size();
            std::printf("%zu bytes\n", bytes);
            return 0;
        }
        if (argc == 6 && std::strcmp(argv[1], "write") == 0) {
            std::string kind = argv[4];
            EncoderSettings s;
            s.kind = kind == "mp3" ? OutputKind::Mp3 : kind == "ogg" ? OutputKind::Ogg
                   : kind == "wma" ? OutputKind::Wma : OutputKind::Wav;
            s.bitrateKbps = std::atoi(argv[5]);
            AudioReader r;
            r.Open(argv[2]);
            s.sampleRate = r.Info().sampleRate;
            s.channels = r.Info().channels;
            s.channelMode = r.Info().channels == 1 ? kMono : kJointStereo;
            AudioWriter w;
            w.Create(argv[3], s);
            std::int64_t second = r.Size() * 1000 / std::max<std::int64_t>(1, r.Info().durationMs);
            while (r.Position() < r.Size()) {
                auto b = r.Read(second);
                w.Write(b.data(), b.size());
            }
            w.Close();
            return 0;
        }
    } catch (const MediaError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: bench_media open FILE | read FILE | write SRC OUT mp3|ogg|wma|wav KBPS\n");
    return 2;
}
