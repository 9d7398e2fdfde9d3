#include "ComSupport.h"

#include <sys/stat.h>

#include <cstring>

#include "MediaError.h"

namespace kezfilecom {

std::string Utf8(BSTR s) { return s ? platform::text::Utf16ToUtf8(std::u16string_view(s, SysStringLen(s))) : ""; }

BSTR NewBstr(const std::string& utf8) {
    std::u16string t = platform::text::Utf8ToUtf16(utf8);
    return SysAllocStringLen(t.data(), UINT(t.size()));
}

void PutInt64(VARIANT* out, std::int64_t value) {
    VariantInit(out);
    if (value >= INT32_MIN && value <= INT32_MAX) {
        out->vt = VT_I4;
        out->lVal = static_cast<LONG>(value);
    } else {
        out->vt = VT_I8;
        out->llVal = value;
    }
}

bool GetInt64(const VARIANT& in, std::int64_t* value) {
    VARIANT r;
    VariantInit(&r);
    // Through a real first, so 1.5 and "1500" are taken as well as integers.
    if (FAILED(VariantChangeType(&r, &in, 0, VT_R8))) return false;
    double d = r.dblVal;
    if (!std::isfinite(d) || std::fabs(d) > 9.0e18) return false;
    VARIANT i;
    VariantInit(&i);
    if (SUCCEEDED(VariantChangeType(&i, &in, 0, VT_I8))) {
        *value = i.llVal;
        return true;
    }
    *value = static_cast<std::int64_t>(std::nearbyint(d));
    return true;
}

bool BlockBytes(const VARIANT& in, const std::uint8_t** data, std::size_t* size, SAFEARRAY** locked) {
    *data = nullptr;
    *size = 0;
    *locked = nullptr;
    const VARIANT* v = &in;
    if (v->vt == (VT_VARIANT | VT_BYREF) && v->pvarVal) v = v->pvarVal;
    if (v->vt == VT_EMPTY || v->vt == VT_NULL) return true;
    SAFEARRAY* sa = nullptr;
    if (v->vt == (VT_ARRAY | VT_UI1))
        sa = v->parray;
    else if (v->vt == (VT_ARRAY | VT_UI1 | VT_BYREF) && v->pparray)
        sa = *v->pparray;
    else
        return false;
    if (!sa) return true;
    if (SafeArrayGetDim(sa) != 1 || SafeArrayGetElemsize(sa) != 1) return false;
    LONG lo = 0, hi = -1;
    SafeArrayGetLBound(sa, 1, &lo);
    SafeArrayGetUBound(sa, 1, &hi);
    void* p = nullptr;
    if (FAILED(SafeArrayAccessData(sa, &p))) return false;
    *locked = sa;
    *data = static_cast<const std::uint8_t*>(p);
    *size = hi >= lo ? static_cast<std::size_t>(hi - lo + 1) : 0;
    return true;
}

HRESULT PutBlock(VARIANT* out, const std::vector<std::uint8_t>& bytes) {
    VariantInit(out);
    if (bytes.empty()) return S_OK;
    SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, ULONG(bytes.size()));
    if (!sa) return E_OUTOFMEMORY;
    void* p = nullptr;
    SafeArrayAccessData(sa, &p);
    std::memcpy(p, bytes.data(), bytes.size());
    SafeArrayUnaccessData(sa);
    out->vt = VT_ARRAY | VT_UI1;
    out->parray = sa;
    return S_OK;
}

HRESULT Fail(HRESULT hr, const char16_t* source, const std::string& text, REFIID iid) {
    return kezserver::Fail(hr, source, platform::text::Utf8ToUtf16(text), iid);
}

InfoValues ProbeValues(const kez::media::StreamInfo& i) {
    InfoValues v;
    v.sampleRate = i.sampleRate;
    v.bitrate = i.bitrateKbps;
    v.channels = i.channels;
    v.sampleSize = i.sourceBits;
    v.formatTag = i.formatTag;
    v.duration = i.durationMs;
    v.size = i.fileSize;
    if (i.durationMs > 0 && i.fileSize > 0) {
        std::int64_t second = std::max<std::int64_t>(1, i.fileSize * 1000 / i.durationMs);
        v.compressRate = (static_cast<double>(i.sampleRate) * i.channels * i.sourceBits / 8) / (second + 0.25);
    }
    return v;
}

void FileSession::Open(const std::string& path) {
    Close();
    reader_.Open(path);
}

void FileSession::Create(const std::string& path, const kez::media::EncoderSettings& s) {
    Close();
    writer_.Create(path, s);
}

void FileSession::Close() {
    reader_.Close();
    writer_.Close();  // throws when the file cannot be completed
}

std::vector<std::uint8_t> FileSession::Read(std::int64_t count) {
    if (!reader_.IsOpen()) throw kez::media::MediaError("No file is open for reading.");
    return reader_.Read(count);
}

void FileSession::Write(const std::uint8_t* data, std::size_t size) { writer_.Write(data, size); }

void FileSession::SeekTime(std::int64_t ms) {
    if (!reader_.IsOpen()) throw kez::media::MediaError("No file is open for reading.");
    reader_.SeekTime(ms);
}

void FileSession::SeekUnits(std::int64_t units) {
    if (!reader_.IsOpen()) throw kez::media::MediaError("No file is open for reading.");
    reader_.SeekUnits(units);
}

InfoValues FileSession::Values() const {
    using kez::media::OutputKind;
    if (reader_.IsOpen()) {
        InfoValues v = ProbeValues(reader_.Info());
        v.compressRate = reader_.CompressRate();
        v.position = reader_.Position();
        return v;
    }
    InfoValues v;
    if (!writer_.IsOpen()) return v;
    const kez::media::EncoderSettings& s = writer_.Effective();
    const kez::media::PcmFormat& f = writer_.Format();
    v.sampleRate = f.sampleRate;
    v.channels = f.channels;
    v.sampleSize = s.kind == OutputKind::Wav ? f.bits : 16;
    switch (s.kind) {
        case OutputKind::Mp3: v.formatTag = 85, v.bitrate = s.bitrateKbps; break;
        case OutputKind::Ogg: v.formatTag = 26447, v.bitrate = s.bitrateKbps; break;
        case OutputKind::Wma: v.formatTag = 111, v.bitrate = s.bitrateKbps; break;
        case OutputKind::Wav: v.formatTag = 1, v.bitrate = f.sampleRate * f.channels * f.bits / 1000; break;
    }
    v.duration = kez::media::FramesToMs(writer_.FramesWritten(), f.sampleRate);
    struct stat st {};
    if (stat(writer_.Path().c_str(), &st) == 0) v.size = st.st_size;
    v.position = v.size;
    return v;
}

}  // namespace kezfilecom
