// The audio format component: a plain holder of WAVEFORMATEX fields. There is no format
// chooser on this platform, so the two menu operations answer false and change nothing.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "KezAudioChunksEditor3/KezAudioChunksEditor3Lib_TLB.h"
#include "frame/object.h"
#include "riff/riff.h"

namespace {

using namespace platform;

inline constexpr GUID kLibId = PLATFORM_GUID(0x3A8F0C52, 0x7D14, 0x4E0B, 0x9C, 0x61, 0x2B, 0x5E, 0x84, 0xD1, 0x07, 0xA9);
inline constexpr GUID kAppId = PLATFORM_GUID(0x5C21E7A4, 0x90B3, 0x4F6D, 0xA8, 0x3E, 0x61, 0xD0, 0x2F, 0x9B, 0x44, 0xC7);

std::uint16_t Le16(const char* p) { return std::uint16_t(std::uint8_t(p[0]) | (std::uint8_t(p[1]) << 8)); }
std::uint32_t Le32(const char* p) { return std::uint32_t(Le16(p)) | (std::uint32_t(Le16(p + 2)) << 16); }

class AudioFormat final : public kez::frame::ComObject<IAudioFormat> {
public:
    using ComObject::ComObject;

#define KEZ_FIELD(name, member)                   \
    STDMETHOD(get_##name)(LONG * Value) override { \
        if (!Value) return E_POINTER;             \
        *Value = member;                          \
        return S_OK;                              \
    }                                             \
    STDMETHOD(put_##name)(LONG Value) override {   \
        member = Value;                           \
        return S_OK;                              \
    }
    KEZ_FIELD(FormatTag, formatTag_)
    KEZ_FIELD(Channels, channels_)
    KEZ_FIELD(SampleRate, sampleRate_)
    KEZ_FIELD(BlockAlign, blockAlign_)
    KEZ_FIELD(AvgBytesPerSec, avgBytesPerSec_)
    KEZ_FIELD(SampleSize, sampleSize_)
    KEZ_FIELD(ExtraDataSize, extraDataSize_)
#undef KEZ_FIELD

    STDMETHOD(get_ExtraData)(SAFEARRAY** Value) override {
        if (!Value) return E_POINTER;
        *Value = SafeArrayCreateVector(VT_UI1, 0, ULONG(extra_.size()));
        if (!*Value) return E_OUTOFMEMORY;
        void* data = nullptr;
        if (!extra_.empty() && SUCCEEDED(SafeArrayAccessData(*Value, &data))) {
            std::memcpy(data, extra_.data(), extra_.size());
            SafeArrayUnaccessData(*Value);
        }
        return S_OK;
    }
    STDMETHOD(put_ExtraData)(SAFEARRAY** Value) override {
        extra_.clear();
        SAFEARRAY* a = Value ? *Value : nullptr;
        if (!a || a->cDims != 1 || a->cbElements != 1) return S_OK;
        void* data = nullptr;
        if (FAILED(SafeArrayAccessData(a, &data))) return S_OK;
        const char* p = static_cast<const char*>(data);
        extra_.assign(p, p + a->rgsabound[0].cElements);
        SafeArrayUnaccessData(a);
        return S_OK;
    }

    STDMETHOD(SetFromQuickTimeMenu)(VARIANT_BOOL* Result) override { return Answer(Result, false); }
    STDMETHOD(SetFromACMMenu)(VARIANT_BOOL* Result) override { return Answer(Result, false); }

    // The first fmt chunk of a RIFF/WAVE file; nothing changes when there is none.
    STDMETHOD(SetFromFile)(BSTR fileName, VARIANT_BOOL* Result) override {
        if (!fileName) return Answer(Result, false);
        HMMIO h = mmioOpenW(reinterpret_cast<LPCWSTR>(fileName), nullptr, MMIO_READ);
        if (!h) return Answer(Result, false);
        bool ok = false;
        MMCKINFO riff{}, fmt{};
        riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
        fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
        char head[18] = {};
        if (mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF) == MMSYSERR_NOERROR &&
            mmioDescend(h, &fmt, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR && fmt.cksize >= 16) {
            LONG n = LONG(std::min<DWORD>(fmt.cksize, 18));
            if (mmioRead(h, head, n) == n) {
                std::uint16_t tag = Le16(head);
                std::uint16_t extraSize = (tag == 1 || fmt.cksize < 18) ? 0 : Le16(head + 16);
                extraSize = std::uint16_t(std::min<DWORD>(extraSize, fmt.cksize - std::min<DWORD>(fmt.cksize, 18)));
                std::vector<char> extra(extraSize);
                if (extraSize == 0 || mmioRead(h, extra.data(), extraSize) == extraSize) {
                    formatTag_ = tag;
                    channels_ = Le16(head + 2);
                    sampleRate_ = LONG(Le32(head + 4));
                    avgBytesPerSec_ = LONG(Le32(head + 8));
                    blockAlign_ = Le16(head + 12);
                    sampleSize_ = Le16(head + 14);
                    extraDataSize_ = extraSize;
                    extra_ = std::move(extra);
                    ok = true;
                }
            }
        }
        mmioClose(h, 0);
        return Answer(Result, ok);
    }

private:
    static HRESULT Answer(VARIANT_BOOL* result, bool value) {
        if (result) *result = value ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    LONG formatTag_ = 0, channels_ = 0, sampleRate_ = 0, blockAlign_ = 0, avgBytesPerSec_ = 0, sampleSize_ = 0,
         extraDataSize_ = 0;
    std::vector<char> extra_;
};

const DispInterface& AudioFormatTable() {
    using I = IAudioFormat;
    static const DispInterface table{
        u"IAudioFormat",
        IID_IAudioFormat,
        u"IAudioFormat Interface",
        {
            Get<&I::get_FormatTag>(u"FormatTag", 1, u"property FormatTag"),
            Put<&I::put_FormatTag>(u"FormatTag", 1, u"property FormatTag"),
            Get<&I::get_Channels>(u"Channels", 2, u"property Channels"),
            Put<&I::put_Channels>(u"Channels", 2, u"property Channels"),
            Get<&I::get_SampleRate>(u"SampleRate", 3, u"property SampleRate"),
            Put<&I::put_SampleRate>(u"SampleRate", 3, u"property SampleRate"),
            Get<&I::get_BlockAlign>(u"BlockAlign", 4, u"property BlockAlign"),
            Put<&I::put_BlockAlign>(u"BlockAlign", 4, u"property BlockAlign"),
            Get<&I::get_AvgBytesPerSec>(u"AvgBytesPerSec", 5, u"property AvgBytesPerSec"),
            Put<&I::put_AvgBytesPerSec>(u"AvgBytesPerSec", 5, u"property AvgBytesPerSec"),
            Get<&I::get_SampleSize>(u"SampleSize", 6, u"property SampleSize"),
            Put<&I::put_SampleSize>(u"SampleSize", 6, u"property SampleSize"),
            Get<&I::get_ExtraDataSize>(u"ExtraDataSize", 7, u"property ExtraDataSize"),
            Put<&I::put_ExtraDataSize>(u"ExtraDataSize", 7, u"property ExtraDataSize"),
            Get<&I::get_ExtraData>(u"ExtraData", 8, u"property ExtraData", VT_ARRAY | VT_UI1),
            Put<&I::put_ExtraData>(u"ExtraData", 8, u"property ExtraData", VT_ARRAY | VT_UI1),
            Method<&I::SetFromQuickTimeMenu>(u"SetFromQuickTimeMenu", 9, u"method SetFromQuickTimeMenu",
                                             {{u"Result", VT_BOOL, kRetval}}),
            Method<&I::SetFromACMMenu>(u"SetFromACMMenu", 10, u"method SetFromACMMenu",
                                       {{u"Result", VT_BOOL, kRetval}}),
            Method<&I::SetFromFile>(u"SetFromFile", 11, u"method SetFromFile",
                                    {{u"fileName", VT_BSTR, kIn}, {u"Result", VT_BOOL, kRetval}}),
        }};
    return table;
}

const kez::frame::ClassInfo kClasses[] = {
    {u"AudioFormat", CLSID_AudioFormat, IID_IAudioFormat, u"AudioFormat Class", u"KezAudioFormat.AudioFormat.1",
     u"KezAudioFormat.AudioFormat", 102, &kez::frame::CreateObject<AudioFormat>, &AudioFormatTable},
};

const kez::frame::StringResource kStrings[] = {
    {100, u"AudioFormat"},
};

const kez::frame::LibraryInfo kLibrary{
    u"AudioFormat.DLL", kLibId, 1, 0, 0x409, u"AudioFormatLib", u"AudioFormat 1.0 Type Library",
    kAppId, 100, 101, kClasses, kStrings,
};

}  // namespace

const kez::frame::LibraryInfo& KezLibraryInfo() { return kLibrary; }

KEZ_FRAME_ENTRY_POINTS()
