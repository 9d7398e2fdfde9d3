// A quick check of an ASF header object before a tag parser sees it. A damaged object size
// or an attribute count far beyond what the bytes can hold sends the parser through seconds
// to minutes of work for a file of a few hundred bytes; such a header is refused.
#pragma once

#include <cstdint>
#include <cstring>

namespace kez::media {

inline std::uint64_t AsfLe(const unsigned char* p, int n) {
    std::uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// header: the whole header object (GUID, 64-bit size, 32-bit count, 2 reserved bytes, then
// its objects). True when every object lies within it and no extended content description
// claims more descriptors than its bytes can hold (each takes at least 6).
inline bool AsfHeaderFits(const unsigned char* header, std::uint64_t size) {
    static const unsigned char kExtendedContent[16] = {0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11,
                                                       0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};
    if (size < 30) return false;
    std::uint64_t at = 30;
    while (at < size) {
        const std::uint64_t room = size - at;
        if (room < 24) return false;
        const std::uint64_t objectSize = AsfLe(header + at + 16, 8);
        if (objectSize < 24 || objectSize > room) return false;
        if (std::memcmp(header + at, kExtendedContent, 16) == 0) {
            if (objectSize < 26 || AsfLe(header + at + 24, 2) * 6 > objectSize - 26) return false;
        }
        at += objectSize;
    }
    return true;
}

}  // namespace kez::media
