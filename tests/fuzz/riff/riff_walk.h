// Walks every chunk of a RIFF file the way a chunk editor does (descend, read the data in
// pieces, ascend), optionally copying each chunk to a second file as it goes. Shared by the
// RIFF fuzz target and the unit test that replays its findings.
#pragma once

#include <cstdint>
#include <vector>

#include "riff/riff.h"

struct RiffWalk {
    int chunks = 0;
    std::uint64_t bytes = 0;
};

inline bool isContainer(FOURCC id) { return id == FOURCC_RIFF || id == FOURCC_LIST; }

inline void walkRiff(HMMIO in, const MMCKINFO* parent, int depth, RiffWalk& walk, HMMIO out) {
    std::vector<char> piece(4096);
    MMCKINFO ck{};
    while (walk.chunks < 100000 && mmioDescend(in, &ck, parent, 0) == MMSYSERR_NOERROR) {
        ++walk.chunks;
        MMCKINFO copy{};
        copy.ckid = ck.ckid;
        copy.fccType = ck.fccType;
        if (out) mmioCreateChunk(out, &copy, ck.ckid == FOURCC_RIFF ? MMIO_CREATERIFF : ck.ckid == FOURCC_LIST ? MMIO_CREATELIST : 0);
        if (isContainer(ck.ckid) && depth < 8) {
            walkRiff(in, &ck, depth + 1, walk, out);
        } else {
            // Past the type already for a container treated as plain data.
            std::uint64_t left = ck.cksize;
            if (isContainer(ck.ckid)) left = left >= 4 ? left - 4 : 0;
            // Every other chunk goes through the bulk copy, the rest through pieces.
            if (out && left > 0 && walk.chunks % 2 == 0) {
                const LONGLONG got = mmioCopy64(out, in, (LONGLONG)left, nullptr);
                if (got > 0) walk.bytes += (std::uint64_t)got;
                left = 0;
            }
            while (left > 0) {
                LONG want = (LONG)(left < piece.size() ? left : piece.size());
                LONG got = mmioRead(in, piece.data(), want);
                if (got <= 0) break;
                if (out) mmioWrite(out, piece.data(), got);
                walk.bytes += (std::uint64_t)got;
                left -= (std::uint64_t)got;
            }
        }
        if (out) mmioAscend(out, &copy, 0);
        if (mmioAscend(in, &ck, 0) != MMSYSERR_NOERROR) break;
    }
}
