// An independent reader and writer of broadcast WAV metadata on libsndfile, for the
// interoperability test.
//   sndfile_tool write out.wav   a 16-bit stereo 44100 Hz file with bext, cart, cues, INFO
//   sndfile_tool read in.wav     key=value lines of what libsndfile finds
#include <sndfile.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kFrames = 4410;

std::string Field(const char* p, std::size_t width) { return std::string(p, strnlen(p, width)); }

int Write(const char* path) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path, SFM_WRITE, &info);
    if (!f) return 2;
    sf_set_string(f, SF_STR_ARTIST, "Sf Artist");
    sf_set_string(f, SF_STR_COMMENT, "Sf comment");
    sf_set_string(f, SF_STR_COPYRIGHT, "Sf copyright");
    sf_set_string(f, SF_STR_GENRE, "Sf genre");

    SF_BROADCAST_INFO bext{};
    std::strcpy(bext.description, "Sf description");
    std::strcpy(bext.originator, "Sf originator");
    std::memcpy(bext.origination_date, "2023-04-05", 10);
    std::memcpy(bext.origination_time, "06:07:08", 8);
    bext.time_reference_low = 123456;
    bext.time_reference_high = 1;
    bext.version = 1;
    const char* history = "A=PCM,F=44100,W=16,M=stereo\r\n";
    bext.coding_history_size = std::uint32_t(std::strlen(history));
    std::memcpy(bext.coding_history, history, bext.coding_history_size);
    if (!sf_command(f, SFC_SET_BROADCAST_INFO, &bext, sizeof bext)) return 3;

    SF_CART_INFO cart{};
    std::memcpy(cart.version, "0101", 4);
    std::strcpy(cart.title, "Sf cart title");
    std::strcpy(cart.artist, "Sf cart artist");
    std::strcpy(cart.cut_id, "CUT42");
    cart.level_reference = 32768;
    std::memcpy(cart.post_timers[0].usage, "SEGs", 4);
    cart.post_timers[0].value = 1000;
    std::memcpy(cart.post_timers[1].usage, "MRK ", 4);
    cart.post_timers[1].value = 2000;
    std::strcpy(cart.url, "http://example.invalid/cart");
    const char* tag = "Sf tag text";
    cart.tag_text_size = std::uint32_t(std::strlen(tag));
    std::memcpy(cart.tag_text, tag, cart.tag_text_size);
    if (!sf_command(f, SFC_SET_CART_INFO, &cart, sizeof cart)) return 4;

    SF_CUES cues{};
    cues.cue_count = 2;
    for (std::uint32_t i = 0; i < 2; ++i) {
        SF_CUE_POINT& c = cues.cue_points[i];
        c.indx = int32_t(i + 1);
        c.position = 1000 * (i + 1);
        c.fcc_chunk = 0x61746164;  // "data"
        c.sample_offset = 1000 * (i + 1);
        std::snprintf(c.name, sizeof c.name, "Sf cue %u", i + 1);
    }
    if (sf_command(f, SFC_SET_CUE, &cues, sizeof cues) != SF_TRUE) return 5;

    std::vector<short> samples(kFrames * 2);
    for (int i = 0; i < kFrames * 2; ++i) samples[std::size_t(i)] = short((i * 37) % 20000 - 10000);
    if (sf_writef_short(f, samples.data(), kFrames) != kFrames) return 6;
    return sf_close(f) == 0 ? 0 : 7;
}

int Read(const char* path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path, SFM_READ, &info);
    if (!f) {
        std::printf("error=%s\n", sf_strerror(nullptr));
        return 2;
    }
    std::printf("frames=%lld\nrate=%d\nchannels=%d\n", (long long)info.frames, info.samplerate, info.channels);
    const struct {
        int id;
        const char* name;
    } strings[] = {{SF_STR_TITLE, "title"},   {SF_STR_ARTIST, "artist"}, {SF_STR_COMMENT, "comment"},
                   {SF_STR_ALBUM, "album"},   {SF_STR_GENRE, "genre"},   {SF_STR_COPYRIGHT, "copyright"},
                   {SF_STR_DATE, "date"},     {SF_STR_SOFTWARE, "software"}};
    for (const auto& s : strings)
        if (const char* v = sf_get_string(f, s.id)) std::printf("%s=%s\n", s.name, v);
    SF_BROADCAST_INFO bext{};
    if (sf_command(f, SFC_GET_BROADCAST_INFO, &bext, sizeof bext) == SF_TRUE) {
        std::printf("bext.description=%s\n", Field(bext.description, 256).c_str());
        std::printf("bext.originator=%s\n", Field(bext.originator, 32).c_str());
        std::printf("bext.date=%s\n", Field(bext.origination_date, 10).c_str());
        std::printf("bext.time=%s\n", Field(bext.origination_time, 8).c_str());
        std::printf("bext.timeref=%u/%u\n", bext.time_reference_low, bext.time_reference_high);
        std::printf("bext.history=%s\n", Field(bext.coding_history, bext.coding_history_size).c_str());
    }
    SF_CART_INFO cart{};
    if (sf_command(f, SFC_GET_CART_INFO, &cart, sizeof cart) == SF_TRUE) {
        std::printf("cart.title=%s\n", Field(cart.title, 64).c_str());
        std::printf("cart.artist=%s\n", Field(cart.artist, 64).c_str());
        std::printf("cart.cutid=%s\n", Field(cart.cut_id, 64).c_str());
        std::printf("cart.level=%d\n", cart.level_reference);
        for (int k = 0; k < 8; ++k)
            if (cart.post_timers[k].usage[0])
                std::printf("cart.timer%d=%s/%d\n", k + 1, Field(cart.post_timers[k].usage, 4).c_str(),
                            cart.post_timers[k].value);
        std::printf("cart.url=%s\n", Field(cart.url, 1024).c_str());
        std::printf("cart.tag=%s\n", Field(cart.tag_text, cart.tag_text_size).c_str());
    }
    std::uint32_t count = 0;
    if (sf_command(f, SFC_GET_CUE_COUNT, &count, sizeof count) && count > 0) {
        SF_CUES cues{};
        sf_command(f, SFC_GET_CUE, &cues, sizeof cues);
        std::printf("cues=%u\n", cues.cue_count);
        for (std::uint32_t i = 0; i < cues.cue_count && i < 100; ++i)
            std::printf("cue%u=%u/%u/%s\n", i + 1, cues.cue_points[i].position, cues.cue_points[i].sample_offset,
                        cues.cue_points[i].name);
    }
    sf_close(f);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 1;
    if (std::strcmp(argv[1], "write") == 0) return Write(argv[2]);
    if (std::strcmp(argv[1], "read") == 0) return Read(argv[2]);
    return 1;
}
