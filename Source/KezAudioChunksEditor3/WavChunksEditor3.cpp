#include "KezAudioChunksEditor3/WavChunksEditor3.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "com/combase.h"
#include "file/SafeSave.h"
#include "shell/shell.h"
#include "text/codepage.h"

namespace kez::chunks {

namespace {

constexpr FOURCC F(const char (&s)[5]) { return mmioFOURCC(s[0], s[1], s[2], s[3]); }
constexpr FOURCC kWave = F("WAVE");
constexpr int kNoMemory = -11;
constexpr int kFormatError = -12;
constexpr int kAccessError = -18;
constexpr int kInvalidOperation = -19;

bool Pcm(std::uint16_t tag) { return tag == 1; }

// What both file operations learn from the fmt, data and fact chunks.
struct AudioChunks {
    FormatRecord format;
    bool formatRead = false;
    std::uint32_t dataSize = 0;
    std::uint32_t factSamples = 0;

    // Handles ck when it is one of the three; false otherwise.
    bool Handle(const Source& src, const MMCKINFO& ck) {
        if (ck.ckid == F("fmt ")) {
            FormatRecord f;
            if (f.Read(src, ck)) {
                format = f;
                formatRead = true;
            }
        } else if (ck.ckid == F("data")) {
            dataSize = ck.cksize;
        } else if (ck.ckid == F("fact")) {
            char b[4];
            if (ReadExact(src.h, b, 4)) factSamples = Le32(b);
        } else {
            return false;
        }
        return true;
    }
};

bool FindWave(HMMIO h, MMCKINFO& riff) {
    riff = MMCKINFO{};
    riff.fccType = kWave;
    return mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF) == MMSYSERR_NOERROR;
}

}  // namespace

bool FormatRecord::Read(const Source& src, const MMCKINFO& ck) {
    char head[18] = {};
    // A 16-byte chunk (PCM without extra size) gives an extra size of 0, not the next
    // chunk's header.
    const std::size_t n = std::min<std::size_t>(18, ck.cksize);
    if (n < 16 || !ReadExact(src.h, head, n)) return false;
    *this = FormatRecord{};
    formatTag = Le16(head);
    channels = Le16(head + 2);
    samplesPerSec = Le32(head + 4);
    avgBytesPerSec = Le32(head + 8);
    blockAlign = Le16(head + 12);
    bitsPerSample = Le16(head + 14);
    extraSize = Le16(head + 16);
    if (formatTag == 1 || formatTag == 6 || formatTag == 7) {
        extraSize = 0;
    } else if (extraSize) {
        // Never more than the chunk holds after its first 18 bytes, nor the record's room.
        std::size_t want = std::min<std::size_t>({extraSize, kMaxExtra, ck.cksize > 18 ? ck.cksize - 18 : 0});
        if (!ReadExact(src.h, extra.data(), want)) want = 0;
        extraSize = std::uint16_t(want);
    }
    return true;
}

void FormatRecord::RecomputePcm() {
    blockAlign = std::uint16_t(std::uint32_t(channels) * bitsPerSample / 8);
    avgBytesPerSec = std::uint32_t(blockAlign) * samplesPerSec;
}

std::string FormatRecord::Bytes() const {
    std::string s;
    AppendLe16(s, formatTag);
    AppendLe16(s, channels);
    AppendLe32(s, samplesPerSec);
    AppendLe32(s, avgBytesPerSec);
    AppendLe16(s, blockAlign);
    AppendLe16(s, bitsPerSample);
    AppendLe16(s, extraSize);
    if (extraSize && !Pcm(formatTag)) s.append(extra.data(), extraSize);
    return s;
}

AudioValues ComputeAudioValues(const FormatRecord& f, std::uint32_t dataSize, std::uint32_t factSamples) {
    AudioValues v;
    v.sampleRate = LONG(f.samplesPerSec);
    v.bitrate = LONG(f.avgBytesPerSec / 125u);
    v.channels = f.channels;
    v.formatTag = f.formatTag;
    v.blockAlign = f.blockAlign;
    const bool linear = f.formatTag == 1 || f.formatTag == 0x15;
    v.sampleSize = linear ? f.bitsPerSample : 16;
    if (linear)
        v.compressRate = 1.0;
    else if (f.avgBytesPerSec != 0)
        v.compressRate = 2.0 * f.channels * double(f.samplesPerSec) / double(f.avgBytesPerSec);
    v.dataSize = dataSize;
    v.samples = factSamples;
    if (v.sampleRate != 0) v.duration = v.samples * 1000 / LONGLONG(v.sampleRate);
    return v;
}

std::uint16_t MextFrameSize(std::uint32_t avgBytesPerSec, std::uint32_t samplesPerSec) {
    if (samplesPerSec == 0) return 0;
    auto size = std::uint16_t(std::uint32_t(avgBytesPerSec * 1152u) / samplesPerSec);
    return samplesPerSec < 32000 ? std::uint16_t(size >> 1) : size;
}

WavChunksEditor3::WavChunksEditor3(const kez::frame::ClassInfo& info, IUnknown* outer) : ComObject(info, outer) {
    Reset();
}

HRESULT WavChunksEditor3::Construct() {
    const auto& classes = kez::frame::Module::Instance().Info().classes;
    HRESULT hr = classes.size() > 1 ? classes[1].create(classes[1], nullptr, &audioInfoUnknown_) : E_FAIL;
    if (SUCCEEDED(hr))
        hr = audioInfoUnknown_->QueryInterface(IID_IAudioInfo, reinterpret_cast<void**>(&audioInfo_));
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(CLSID_AudioFormat, nullptr, CLSCTX_ALL, IID_IAudioFormat,
                              reinterpret_cast<void**>(&format_));
    if (FAILED(hr) || !format_) PlatformFatalMessage(u"KezAudioChunksEditor3", u"AudioInfo no registred");
    static_cast<AudioInfo*>(audioInfo_)->Bind(&values_, &mode_);
    // The editor holds one reference to its AudioInfo, through the object's own unknown.
    audioInfo_->Release();
    return S_OK;
}

WavChunksEditor3::~WavChunksEditor3() {
    if (audioInfoUnknown_) audioInfoUnknown_->Release();
    if (format_) format_->Release();
}

void WavChunksEditor3::Reset() {
    extraEnabled_ = bextEnabled_ = cartEnabled_ = cueEnabled_ = 0;
    info_.Reset();
    cues_.Clear();
    bext_.Reset();
    cart_.Reset();
    values_ = AudioValues{};
}

void WavChunksEditor3::HandToFormat(const FormatRecord& f) {
    format_->put_AvgBytesPerSec(LONG(f.avgBytesPerSec));
    format_->put_ExtraDataSize(f.extraSize);
    format_->put_BlockAlign(f.blockAlign);
    format_->put_FormatTag(f.formatTag);
    format_->put_SampleSize(f.bitsPerSample);
    format_->put_Channels(f.channels);
    format_->put_SampleRate(LONG(f.samplesPerSec));
    SAFEARRAY* extra = SafeArrayCreateVector(VT_UI1, 0, f.extraSize);
    if (!extra) return;
    void* data = nullptr;
    if (f.extraSize && SUCCEEDED(SafeArrayAccessData(extra, &data))) {
        std::memcpy(data, f.extra.data(), f.extraSize);
        SafeArrayUnaccessData(extra);
    }
    format_->put_ExtraData(&extra);
    SafeArrayDestroy(extra);
}

HRESULT WavChunksEditor3::GetChunksInformation(BSTR fileName) {
    Reset();
    Source src = OpenSource(reinterpret_cast<const char16_t*>(fileName));
    if (!src.h) return S_OK;
    MMCKINFO riff;
    if (!FindWave(src.h, riff)) {
        mmioClose(src.h, 0);
        return S_OK;
    }
    AudioChunks audio;
    ReadStatus status = ReadStatus::Ok;
    WalkChunks(src.h, riff, [&](MMCKINFO& ck) {
        if (audio.Handle(src, ck)) return true;
        ReadStatus r = ReadStatus::Ok;
        if (ck.ckid == FOURCC_LIST && ck.fccType == F("INFO"))
            r = info_.ReadList(src, ck, extraEnabled_);
        else if (ck.ckid == FOURCC_LIST && ck.fccType == F("adtl"))
            r = cues_.ReadAdtl(src, ck);
        else if (ck.ckid == F("cue "))
            r = cues_.ReadCue(src, ck, cueEnabled_);
        else if (ck.ckid == F("DISP"))
            r = info_.ReadDisp(src, ck);
        else if (ck.ckid == F("bext"))
            r = bext_.Read(src, ck, bextEnabled_);
        else if (ck.ckid == F("cart"))
            r = cart_.Read(src, ck, cartEnabled_);
        if (r == ReadStatus::NoMemory) status = r;
        return r != ReadStatus::NoMemory;
    });
    mmioClose(src.h, 0);
    if (status == ReadStatus::NoMemory) return Report(kNoMemory);
    if (!audio.formatRead || audio.format.formatTag == 0) return S_OK;
    FormatRecord& f = audio.format;
    if (Pcm(f.formatTag)) f.RecomputePcm();
    values_ = ComputeAudioValues(f, audio.dataSize, audio.factSamples);
    HandToFormat(f);
    return S_OK;
}

HRESULT WavChunksEditor3::SetChunksInformation(BSTR fileName) {
    if (!fileName) return Report(kAccessError);
    const char16_t* source = reinterpret_cast<const char16_t*>(fileName);
    std::u16string output = std::u16string(source, SysStringLen(fileName)) + u".wav";
    return Write(source, output);
}

HRESULT WavChunksEditor3::Write(const char16_t* sourceName, const std::u16string& outputName) {
    AudioChunks audio;
    {
        Source src = OpenSource(sourceName);
        if (!src.h) return Report(kAccessError);
        MMCKINFO riff;
        bool wave = FindWave(src.h, riff);
        if (wave) WalkChunks(src.h, riff, [&](MMCKINFO& ck) {
                audio.Handle(src, ck);
                return true;
            });
        mmioClose(src.h, 0);
        if (!wave || !audio.formatRead || audio.format.formatTag == 0) return Report(kFormatError);
    }
    FormatRecord& f = audio.format;
    if (Pcm(f.formatTag)) f.RecomputePcm();

    Source src = OpenSource(sourceName, MMIO_DENYWRITE);
    if (!src.h) return Report(kAccessError);
    MMCKINFO riff, data{};
    data.ckid = F("data");
    if (!FindWave(src.h, riff) || mmioDescend(src.h, &data, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) {
        mmioClose(src.h, 0);
        return Report(kFormatError);
    }

    // The output is written beside its name and put in place only when complete; a source
    // that is the output by another name is never written through.
    const std::string target = platform::text::Utf16ToUtf8(outputName);
    if (platform::file::SameFile(platform::text::Utf16ToUtf8(sourceName), target)) {
        mmioClose(src.h, 0);
        return Report(kAccessError);
    }
    platform::file::SafeSave save(target);
    HMMIO out = mmioOpenUtf8(save.TempPath().c_str(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    MMCKINFO outRiff{};
    outRiff.fccType = kWave;
    if (!out || mmioCreateChunk(out, &outRiff, MMIO_CREATERIFF) != MMSYSERR_NOERROR) {
        mmioClose(src.h, 0);
        if (out) mmioClose(out, 0);
        return Report(kFormatError);
    }

    bool ok = true;
    if (ok && bextEnabled_) ok = bext_.Write(out);
    if (ok && cartEnabled_) ok = cart_.Write(out);
    if (ok) ok = WriteChunk(out, F("fmt "), f.Bytes());
    if (ok) {
        std::string fact;
        AppendLe32(fact, audio.factSamples);
        ok = WriteChunk(out, F("fact"), fact);
    }
    if (ok && (f.formatTag == 0x50 || f.formatTag == 0x55)) {
        std::string mext;
        AppendLe16(mext, 15);
        AppendLe16(mext, MextFrameSize(f.avgBytesPerSec, f.samplesPerSec));
        mext.append(10, '\0');
        ok = WriteChunk(out, F("mext"), mext);
    }
    // RIFF sizes are 32-bit: an output that would outgrow them is refused before the data
    // is copied, and the file begun is removed rather than left looking valid.
    bool tooLarge = false;
    if (ok) {
        const LONGLONG at = mmioSeek64(out, 0, SEEK_CUR);
        const std::uint64_t held = src.size > data.dwDataOffset ? src.size - data.dwDataOffset : 0;
        const std::uint64_t copied = std::min<std::uint64_t>(audio.dataSize, held);
        std::uint64_t end = std::uint64_t(at < 0 ? 0 : at) + 8 + copied + (copied & 1);
        if (extraEnabled_) end += info_.WrittenSize();
        if (cueEnabled_ && cues_.Count() > 0) end += cues_.WrittenSize();
        tooLarge = at < 0 || end - 8 > 0xFFFFFFFFull;
        ok = !tooLarge;
    }
    if (ok) {
        MMCKINFO outData{};
        outData.ckid = F("data");
        ok = mmioCreateChunk(out, &outData, 0) == MMSYSERR_NOERROR;
        // Copied in one call, without the audio passing through this process where the system
        // can do it. The copy ends where the source's data ends or cannot be read (the data
        // chunk written is then shorter); only a failed write fails the rewrite.
        UINT copyError = MMSYSERR_NOERROR;
        if (ok && audio.dataSize > 0) mmioCopy64(out, src.h, LONGLONG(audio.dataSize), &copyError);
        if (copyError != MMSYSERR_NOERROR && copyError != MMIOERR_CANNOTREAD) ok = false;
        if (ok) ok = mmioAscend(out, &outData, 0) == MMSYSERR_NOERROR;
    }
    if (ok && extraEnabled_) info_.Write(out);
    if (ok && cueEnabled_ && cues_.Count() > 0) ok = cues_.Write(out);

    mmioClose(src.h, 0);
    const LONGLONG end = mmioSeek64(out, 0, SEEK_END);
    tooLarge = tooLarge || end < 0 || std::uint64_t(end) - 8 > 0xFFFFFFFFull;
    bool fixed = mmioAscend(out, &outRiff, 0) == MMSYSERR_NOERROR;
    bool closed = mmioClose(out, 0) == MMSYSERR_NOERROR;
    if (tooLarge || !ok || !fixed || !closed || save.Commit() != 0) return Report(kInvalidOperation);
    return S_OK;
}

HRESULT WavChunksEditor3::get_AudioInfo(IAudioInfo** Value) {
    if (!Value) return E_POINTER;
    audioInfo_->AddRef();
    *Value = audioInfo_;
    return S_OK;
}

#define KEZ_FLAG(name, member)                                        \
    HRESULT WavChunksEditor3::get_##name(VARIANT_BOOL* Value) {       \
        if (!Value) return E_POINTER;                                 \
        *Value = member;                                              \
        return S_OK;                                                  \
    }                                                                 \
    HRESULT WavChunksEditor3::put_##name(VARIANT_BOOL Value) {        \
        member = Value;                                               \
        return S_OK;                                                  \
    }
KEZ_FLAG(CartAudioExtensionEnabled, cartEnabled_)
KEZ_FLAG(BroadcastAudioExtensionEnabled, bextEnabled_)
KEZ_FLAG(ExtraInformationEnabled, extraEnabled_)
KEZ_FLAG(CuePointsEnabled, cueEnabled_)
#undef KEZ_FLAG

HRESULT WavChunksEditor3::get_BroadcastAudioExtension(BroadcastAudioExtension* Value) {
    if (!Value) return E_POINTER;
    bext_.Get(Value);
    return S_OK;
}
HRESULT WavChunksEditor3::put_BroadcastAudioExtension(BroadcastAudioExtension* Value) {
    if (!Value) return E_POINTER;
    bext_.Put(Value);
    return S_OK;
}
HRESULT WavChunksEditor3::get_CartAudioExtension(CartAudioExtension* Value) {
    if (!Value) return E_POINTER;
    cart_.Get(Value);
    return S_OK;
}
HRESULT WavChunksEditor3::put_CartAudioExtension(CartAudioExtension* Value) {
    if (!Value) return E_POINTER;
    cart_.Put(Value);
    return S_OK;
}
HRESULT WavChunksEditor3::get_ExtraInformation(ExtraInformation* Value) {
    if (!Value) return E_POINTER;
    info_.Get(Value);
    return S_OK;
}
HRESULT WavChunksEditor3::put_ExtraInformation(ExtraInformation* Value) {
    if (!Value) return E_POINTER;
    info_.Put(Value);
    return S_OK;
}

HRESULT WavChunksEditor3::get_CuePointCount(LONG* Value) {
    if (!Value) return E_POINTER;
    *Value = cues_.Count();
    return S_OK;
}
HRESULT WavChunksEditor3::get_CuePointNum(LONG* Value) {
    if (!Value) return E_POINTER;
    *Value = cues_.Index();
    return S_OK;
}
HRESULT WavChunksEditor3::put_CuePointNum(LONG Value) {
    cues_.Select(Value);
    return S_OK;
}
HRESULT WavChunksEditor3::get_CuePointInfo(CuePoint* Value) {
    if (!Value) return E_POINTER;
    cues_.GetCurrent(Value);
    return S_OK;
}
HRESULT WavChunksEditor3::put_CuePointInfo(CuePoint* Value) {
    if (!Value) return E_POINTER;
    cues_.PutCurrent(*Value);
    return S_OK;
}
HRESULT WavChunksEditor3::InsertCuePoint(CuePoint* newCuePoint) {
    if (!newCuePoint) return E_POINTER;
    cues_.Insert(*newCuePoint);
    return S_OK;
}
HRESULT WavChunksEditor3::DeleteCuePoint() {
    cues_.DeleteCurrent();
    return S_OK;
}

HRESULT WavChunksEditor3::get_Format(IAudioFormat** Value) {
    if (!Value) return E_POINTER;
    *Value = nullptr;
    format_->QueryInterface(IID_IAudioFormat, reinterpret_cast<void**>(Value));
    return S_OK;
}

HRESULT WavChunksEditor3::get_VariantTypeRangeMode(LONG* Value) {
    if (!Value) return E_POINTER;
    *Value = mode_.Get();
    return S_OK;
}
HRESULT WavChunksEditor3::put_VariantTypeRangeMode(LONG Value) {
    mode_.Put(Value);
    return S_OK;
}

HRESULT WavChunksEditor3::SetAdditionalParam(BSTR, VARIANT) { return S_OK; }
HRESULT WavChunksEditor3::GetAdditionalParam(BSTR, VARIANT*) { return S_OK; }

}  // namespace kez::chunks
