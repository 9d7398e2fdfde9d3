#include "PcmBlock.h"

#include <cstring>

namespace workflow {

namespace {

constexpr std::int64_t kHeaderBytes = 18;

int U16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
int U32(const std::uint8_t* p) { return int(std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24)); }

std::int64_t ByteCount(const SAFEARRAY* sa) { return sa && sa->cDims == 1 ? std::int64_t(sa->rgsabound[0].cElements) : 0; }

}  // namespace

bool PcmFormat::Usable() const {
    if (channels <= 0 || channels > 64 || sampleRate <= 0) return false;
    if (formatTag == 1) return bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (formatTag == 3) return bits == 32 || bits == 64;
    return false;
}

bool WithSamples(const VARIANT& block,
                 const std::function<void(const PcmFormat&, const std::uint8_t*, std::int64_t)>& use) {
    if (block.vt != (VT_ARRAY | VT_UI1) || !block.parray) return false;
    const std::int64_t bytes = ByteCount(block.parray);
    if (bytes < kHeaderBytes) return false;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(block.parray, &data)) || !data) return false;
    const auto* p = static_cast<const std::uint8_t*>(data);
    PcmFormat f;
    f.formatTag = U16(p);
    f.channels = U16(p + 2);
    f.sampleRate = U32(p + 4);
    f.bits = U16(p + 14);
    const bool ok = f.Usable();
    if (ok) {
        const std::int64_t frames = (bytes - kHeaderBytes) / f.BytesPerFrame();
        use(f, p + kHeaderBytes, frames);
    }
    SafeArrayUnaccessData(block.parray);
    return ok;
}

std::int64_t FrameCount(const VARIANT& block) {
    std::int64_t n = 0;
    WithSamples(block, [&](const PcmFormat&, const std::uint8_t*, std::int64_t frames) { n = frames; });
    return n;
}

void KeepFrames(AudioBlock& block, std::int64_t frames) {
    if (block.Empty()) return;
    if (frames <= 0) {
        block = AudioBlock();
        return;
    }
    std::int64_t keepBytes = -1;
    WithSamples(*block.Get(), [&](const PcmFormat& f, const std::uint8_t*, std::int64_t have) {
        if (frames < have) keepBytes = kHeaderBytes + frames * f.BytesPerFrame();
    });
    if (keepBytes < 0) return;
    SAFEARRAY* cut = SafeArrayCreateVector(VT_UI1, 0, ULONG(keepBytes));
    if (!cut) throw std::bad_alloc();
    void* to = nullptr;
    void* from = nullptr;
    SafeArrayAccessData(cut, &to);
    SafeArrayAccessData(block.Get()->parray, &from);
    std::memcpy(to, from, size_t(keepBytes));
    SafeArrayUnaccessData(block.Get()->parray);
    SafeArrayUnaccessData(cut);
    AudioBlock out;
    out.Get()->vt = VT_ARRAY | VT_UI1;
    out.Get()->parray = cut;
    block = std::move(out);
}

}  // namespace workflow
