#include "KezAudioChunksEditor3/chunk_io.h"

#include <algorithm>
#include <cerrno>
#include <new>

#include "file/SafeSave.h"
#include "text/codepage.h"

namespace kez::chunks {

Source OpenSource(const char16_t* fileName, DWORD flags) {
    Source s;
    if (!fileName) return s;
    // A FIFO or a device is an unreadable file at once: opening a FIFO blocks until a
    // writer comes.
    const int err = platform::file::RegularFileError(platform::text::Utf16ToUtf8(fileName));
    if (err == EISDIR || err == EINVAL) return s;
    s.h = mmioOpenW(reinterpret_cast<LPCWSTR>(fileName), nullptr, MMIO_READ | flags);
    if (!s.h) return s;
    LONGLONG end = mmioSeek64(s.h, 0, SEEK_END);
    s.size = end > 0 ? std::uint64_t(end) : 0;
    mmioSeek64(s.h, 0, SEEK_SET);
    return s;
}

bool ReadExact(HMMIO h, char* p, std::uint64_t n) {
    while (n > 0) {
        LONG step = LONG(std::min<std::uint64_t>(n, 1u << 30));
        LONG got = mmioRead(h, p, step);
        if (got != step) return false;
        p += got;
        n -= std::uint64_t(got);
    }
    return true;
}

ReadStatus ReadBytes(const Source& src, std::uint64_t n, std::string& out) {
    out.clear();
    LONGLONG pos = mmioSeek64(src.h, 0, SEEK_CUR);
    if (pos < 0 || std::uint64_t(pos) + n > src.size) return ReadStatus::Failed;
    try {
        out.resize(n);
    } catch (const std::bad_alloc&) {
        return ReadStatus::NoMemory;
    }
    return ReadExact(src.h, out.data(), n) ? ReadStatus::Ok : ReadStatus::Failed;
}

std::u16string ChunkText(std::string_view bytes) {
    std::size_t zero = bytes.find('\0');
    if (zero != std::string_view::npos) bytes = bytes.substr(0, zero);
    return platform::text::FromAnsi(bytes);
}

std::string ChunkBytes(std::u16string_view text) {
    std::string s = platform::text::ToAnsi(text);
    s.push_back('\0');
    return s;
}

void WalkChunks(HMMIO h, const MMCKINFO& parent, const std::function<bool(MMCKINFO&)>& visit) {
    const std::uint64_t end = ChunkEnd(parent);
    for (;;) {
        MMCKINFO ck{};
        if (mmioDescend(h, &ck, &parent, 0) != MMSYSERR_NOERROR) return;
        if (ChunkEnd(ck) > end) return;
        if (!visit(ck)) return;
        if (mmioAscend(h, &ck, 0) != MMSYSERR_NOERROR) return;
    }
}

bool WriteChunk(HMMIO h, FOURCC id, std::string_view data) {
    MMCKINFO ck{};
    ck.ckid = id;
    if (mmioCreateChunk(h, &ck, 0) != MMSYSERR_NOERROR) return false;
    if (!data.empty() && mmioWrite(h, data.data(), LONG(data.size())) != LONG(data.size())) return false;
    return mmioAscend(h, &ck, 0) == MMSYSERR_NOERROR;
}

}  // namespace kez::chunks
