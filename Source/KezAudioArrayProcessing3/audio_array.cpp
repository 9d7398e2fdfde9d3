#include "KezAudioArrayProcessing3/audio_array.h"

#include <limits>

namespace kez::array {

WaveHeader WaveHeader::Read(Bytes b) {
    const std::uint8_t* p = b.data();
    WaveHeader h;
    h.formatTag = ReadU16(p);
    h.channels = ReadU16(p + 2);
    h.samplesPerSec = ReadU32(p + 4);
    h.avgBytesPerSec = ReadU32(p + 8);
    h.blockAlign = ReadU16(p + 12);
    h.bitsPerSample = ReadU16(p + 14);
    h.cbSize = ReadU16(p + 16);
    return h;
}

void WaveHeader::Write(std::uint8_t* out) const {
    auto put16 = [&](int at, WORD v) {
        out[at] = std::uint8_t(v);
        out[at + 1] = std::uint8_t(v >> 8);
    };
    auto put32 = [&](int at, DWORD v) {
        for (int i = 0; i < 4; ++i) out[at + i] = std::uint8_t(v >> (8 * i));
    };
    put16(0, formatTag);
    put16(2, channels);
    put32(4, samplesPerSec);
    put32(8, avgBytesPerSec);
    put16(12, blockAlign);
    put16(14, bitsPerSample);
    put16(16, cbSize);
}

ArrayView::ArrayView(SAFEARRAY* array) {
    if (!array || array->cDims == 0 || !array->cbElements) return;
    std::uint64_t count = 1;
    for (USHORT d = 0; d < array->cDims; ++d) count *= array->rgsabound[d].cElements;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data)) || !data) return;
    array_ = array;
    bytes_ = Bytes(static_cast<const std::uint8_t*>(data), std::size_t(count * array->cbElements));
}

ArrayView::~ArrayView() {
    if (array_) SafeArrayUnaccessData(array_);
}

SAFEARRAY* NewByteArray(std::size_t n) {
    if (n > std::numeric_limits<ULONG>::max()) return nullptr;
    return SafeArrayCreateVector(VT_UI1, 0, ULONG(n));
}

std::uint8_t* MutableData(SAFEARRAY* a) { return static_cast<std::uint8_t*>(a->pvData); }

SAFEARRAY* AssembleBytes(std::span<const Bytes> pieces) {
    std::size_t total = 0;
    for (Bytes p : pieces) total += p.size();
    SAFEARRAY* out = NewByteArray(total);
    if (!out) return nullptr;
    std::uint8_t* d = MutableData(out);
    for (Bytes p : pieces) {
        if (p.empty()) continue;
        std::memcpy(d, p.data(), p.size());
        d += p.size();
    }
    return out;
}

SAFEARRAY* AssembleBytes(std::initializer_list<Bytes> pieces) {
    return AssembleBytes(std::span<const Bytes>(pieces.begin(), pieces.size()));
}

SAFEARRAY* CopyArray(SAFEARRAY* a) {
    if (!a) return nullptr;
    SAFEARRAY* out = nullptr;
    if (FAILED(SafeArrayCopy(a, &out))) return nullptr;
    return out;
}

}  // namespace kez::array
