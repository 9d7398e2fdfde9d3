#include "StreamLimits.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "MediaError.h"

namespace kez::media {
namespace {

[[noreturn]] void Damaged(const std::string& path, const std::string& what) {
    throw MediaError("The file " + Quoted(path) + " is damaged: " + what + ".");
}

std::uint32_t Le(const unsigned char* p, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// The block align and bits of the first format chunk of a RIFF WAVE file; false when
// there is none within the first chunks.
bool WavFormat(const std::string& path, int* formatTag, int* channels, int* blockAlign, int* bits) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool found = false;
    unsigned char head[12];
    if (::pread(fd, head, 12, 0) == 12 && Le(head + 8, 4) == Le(reinterpret_cast<const unsigned char*>("WAVE"), 4)) {
        off_t at = 12;
        for (int i = 0; i < 64 && !found; ++i) {
            unsigned char chunk[24];
            if (::pread(fd, chunk, 8, at) != 8) break;
            const std::uint32_t size = Le(chunk + 4, 4);
            if (Le(chunk, 4) == Le(reinterpret_cast<const unsigned char*>("fmt "), 4)) {
                if (size < 16 || ::pread(fd, chunk + 8, 16, at + 8) != 16) break;
                *formatTag = static_cast<int>(Le(chunk + 8, 2));
                *channels = static_cast<int>(Le(chunk + 10, 2));
                *blockAlign = static_cast<int>(Le(chunk + 20, 2));
                *bits = static_cast<int>(Le(chunk + 22, 2));
                found = true;
            }
            at += 8 + static_cast<off_t>(size) + (size & 1);
        }
    }
    ::close(fd);
    return found;
}

}  // namespace

void CheckMetadataBudget(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    unsigned char buf[65536];
    const ssize_t n = ::pread(fd, buf, sizeof buf, 0);
    ::close(fd);
    if (n < 64 || std::memcmp(buf, "OggS", 4) != 0) return;
    // The comment packet starts on the second page, after the identification header alone
    // on the first: its vendor text, then the 32-bit count of comments.
    static const unsigned char kComment[] = {3, 'v', 'o', 'r', 'b', 'i', 's'};
    const unsigned char* end = buf + n;
    const unsigned char* at = std::search(static_cast<const unsigned char*>(buf), end, kComment, kComment + sizeof kComment);
    const std::int64_t room = end - at;  // bytes from the packet type on
    if (room < 15) return;
    const std::int64_t vendor = Le(at + 7, 4);
    if (vendor > room - 15) return;
    const std::uint32_t count = Le(at + 11 + vendor, 4);
    if (count > kMaxOggComments)
        throw MediaError("The file " + Quoted(path) + " holds " + std::to_string(count) +
                         " comments, more than the " + std::to_string(kMaxOggComments) + " that are read.");
}

void CheckStreamFacts(const std::string& path, const StreamInfo& info) {
    if (info.sampleRate < kMinSampleRate || info.sampleRate > kMaxSampleRate)
        Damaged(path, "it claims a sample rate of " + std::to_string(info.sampleRate) + " Hz");
    if (info.channels < 1 || info.channels > kMaxChannels)
        Damaged(path, "it claims " + std::to_string(info.channels) + " channels");
    if (info.container != Container::Wav) return;
    int tag = 0, channels = 0, align = 0, bits = 0;
    if (!WavFormat(path, &tag, &channels, &align, &bits)) return;
    // Integer and float samples fill whole bytes per channel; compressed formats differ.
    const bool plain = tag == 1 || tag == 3 || tag == 0xFFFE;
    if (plain && (bits < 1 || bits > 64 || align != channels * ((bits + 7) / 8)))
        Damaged(path, "its block align of " + std::to_string(align) + " bytes does not fit " +
                          std::to_string(channels) + " channels of " + std::to_string(bits) + " bits");
}

}  // namespace kez::media
