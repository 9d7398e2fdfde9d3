// bench_oggtags FILE TITLE: loads FILE, sets its title and rewrites its comment header.
#include <cstdio>

#include "OggVorbis.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_oggtags FILE TITLE\n");
        return 2;
    }
    TOggVorbis ogg;
    if (!ogg.LoadFromFile(argv[1])) return 1;
    ogg.TagTitle = argv[2];
    return ogg.WriteTags(argv[1]) ? 0 : 1;
}
