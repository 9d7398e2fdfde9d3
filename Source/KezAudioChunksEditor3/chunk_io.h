// Small pieces shared by every chunk kind: little-endian fields, reads that never trust a
// declared size for an allocation, chunk texts, the walk over a RIFF chunk's sub-chunks and
// the writing of a whole chunk.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "riff/riff.h"

namespace kez::chunks {

enum class ReadStatus { Ok, Failed, NoMemory };

inline std::uint16_t Le16(const char* p) {
    return std::uint16_t(std::uint8_t(p[0]) | (std::uint8_t(p[1]) << 8));
}
inline std::uint32_t Le32(const char* p) {
    return std::uint32_t(std::uint8_t(p[0])) | (std::uint32_t(std::uint8_t(p[1])) << 8) |
           (std::uint32_t(std::uint8_t(p[2])) << 16) | (std::uint32_t(std::uint8_t(p[3])) << 24);
}
inline void SetLe16(char* p, std::uint16_t v) {
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8);
}
inline void SetLe32(char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = char((v >> (8 * i)) & 0xFF);
}
inline void AppendLe16(std::string& s, std::uint16_t v) {
    char b[2];
    SetLe16(b, v);
    s.append(b, 2);
}
inline void AppendLe32(std::string& s, std::uint32_t v) {
    char b[4];
    SetLe32(b, v);
    s.append(b, 4);
}

// End of a chunk's data (for RIFF and LIST the data begins with the type).
inline std::uint64_t ChunkEnd(const MMCKINFO& ck) { return std::uint64_t(ck.dwDataOffset) + ck.cksize; }

// An open file with its size, so that a chunk that claims more than the file holds costs no
// more memory than the file itself.
struct Source {
    HMMIO h = nullptr;
    std::uint64_t size = 0;
};
// Opens for reading (flags added to MMIO_READ); null handle when it cannot.
Source OpenSource(const char16_t* fileName, DWORD flags = 0);

// Reads exactly n bytes at the current position into p.
bool ReadExact(HMMIO h, char* p, std::uint64_t n);
// Reads n bytes into out; Failed when the file holds fewer, NoMemory when no buffer.
ReadStatus ReadBytes(const Source& src, std::uint64_t n, std::string& out);

// A chunk text: the bytes up to the first zero (all of them without one), from the ANSI
// code page.
std::u16string ChunkText(std::string_view bytes);
// Text for a chunk: the ANSI bytes followed by one zero byte.
std::string ChunkBytes(std::u16string_view text);

// Walks the sub-chunks of parent in file order: stops at a chunk that reaches beyond the
// parent's end, at a header that cannot be read, at an ascent that fails, or when visit
// returns false. visit is called with the position at the chunk's data.
void WalkChunks(HMMIO h, const MMCKINFO& parent, const std::function<bool(MMCKINFO&)>& visit);

// Creates a chunk, writes data and ascends (fixing the size and the pad byte).
bool WriteChunk(HMMIO h, FOURCC id, std::string_view data);

}  // namespace kez::chunks
