// The conversion component: keeps a conversion mode and a PCM format, and converts audio
// arrays of any decodable format into PCM audio arrays of that format.
#include <cstring>
#include <string>

#include "KezAudioCompress3/KezAudioCompress3Lib.h"
#include "decode.h"
#include "frame/object.h"

namespace {

using namespace platform;

class AudioCompress3 final : public kez::frame::ComObject<IAudioCompress3> {
public:
    using ComObject::ComObject;

    STDMETHOD(SetConversionMode)(LONG Mode) override {
        mode_ = Mode;
        return S_OK;
    }
    STDMETHOD(get_ConversionMode)(LONG* Value) override {
        if (!Value) return E_POINTER;
        *Value = mode_;
        return S_OK;
    }
    STDMETHOD(GetConversionFormat)(LONG* SamplesPerSec, LONG* Channels, LONG* BitsPerSample,
                                   LONG* ChannelMask) override {
        if (SamplesPerSec) *SamplesPerSec = format_.samplesPerSec;
        if (Channels) *Channels = format_.channels;
        if (BitsPerSample) *BitsPerSample = format_.bitsPerSample;
        if (ChannelMask) *ChannelMask = LONG(format_.channelMask);
        return S_OK;
    }
    STDMETHOD(SetConversionFormat)(LONG SamplesPerSec, LONG Channels, LONG BitsPerSample, LONG ChannelMask) override {
        format_.samplesPerSec = SamplesPerSec;
        format_.channels = Channels;
        format_.bitsPerSample = BitsPerSample;
        format_.channelMask = std::uint32_t(ChannelMask);
        return S_OK;
    }

    STDMETHOD(ConvertArray)(SAFEARRAY** ArrayInp, SAFEARRAY** ArrayOut) override {
        if (!ArrayOut) return E_POINTER;
        *ArrayOut = nullptr;
        SAFEARRAY* in = ArrayInp ? *ArrayInp : nullptr;
        std::span<const std::uint8_t> bytes;
        void* data = nullptr;
        bool accessed = false;
        if (in && in->cDims >= 1 && in->cbElements && SUCCEEDED(SafeArrayAccessData(in, &data)) && data) {
            accessed = true;
            std::uint64_t n = in->cbElements;
            for (USHORT d = 0; d < in->cDims; ++d) n *= in->rgsabound[d].cElements;
            bytes = {static_cast<const std::uint8_t*>(data), std::size_t(n)};
        }
        HRESULT hr = S_OK;
        kez::compress::Decoded decoded;
        std::string why;
        if (bytes.size() >= 18) hr = kez::compress::DecodeArray(bytes, format_, mode_, decoded, &why);
        if (accessed) SafeArrayUnaccessData(in);
        if (bytes.size() < 18) {
            *ArrayOut = SafeArrayCreateVector(VT_UI1, 0, 0);
            return *ArrayOut ? S_OK : E_OUTOFMEMORY;
        }
        if (FAILED(hr)) {
            std::u16string text(why.begin(), why.end());
            kez::frame::SetThreadError(IID_IAudioCompress3, u"KezAudioCompress3.AudioCompress3.1",
                                       text.empty() ? u"Conversion failed." : text.c_str());
            return hr;
        }
        const kez::compress::PcmFormat& f = decoded.format;
        std::uint8_t header[18];
        auto put16 = [&](int at, std::uint32_t v) {
            header[at] = std::uint8_t(v);
            header[at + 1] = std::uint8_t(v >> 8);
        };
        auto put32 = [&](int at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i) header[at + i] = std::uint8_t(v >> (8 * i));
        };
        std::uint32_t blockAlign = std::uint32_t(f.channels * f.bitsPerSample / 8);
        put16(0, 1);
        put16(2, std::uint32_t(f.channels));
        put32(4, std::uint32_t(f.samplesPerSec));
        put32(8, std::uint32_t(f.samplesPerSec) * blockAlign);
        put16(12, blockAlign);
        put16(14, std::uint32_t(f.bitsPerSample));
        put16(16, 0);
        SAFEARRAY* out = SafeArrayCreateVector(VT_UI1, 0, ULONG(18 + decoded.data.size()));
        if (!out) return E_OUTOFMEMORY;
        auto* d = static_cast<std::uint8_t*>(out->pvData);
        std::memcpy(d, header, 18);
        if (!decoded.data.empty()) std::memcpy(d + 18, decoded.data.data(), decoded.data.size());
        *ArrayOut = out;
        return S_OK;
    }

private:
    LONG mode_ = 1;
    kez::compress::PcmFormat format_;
};

const DispInterface& AudioCompress3Table() {
    using I = IAudioCompress3;
    constexpr VARTYPE kBytes = VT_ARRAY | VT_UI1;
    static const DispInterface table{
        u"IAudioCompress3",
        IID_IAudioCompress3,
        u"IAudioCompress3 Interface",
        {
            Method<&I::SetConversionMode>(u"SetConversionMode", 1, u"method SetConversionMode", {{u"Mode"}}),
            Method<&I::ConvertArray>(u"ConvertArray", 2, u"method ConvertArray",
                                     {{u"ArrayInp", kBytes, kIn}, {u"ArrayOut", kBytes, kOut}}),
            Get<&I::get_ConversionMode>(u"ConversionMode", 3, u"property ConversionMode"),
            Method<&I::GetConversionFormat>(u"GetConversionFormat", 4, u"method GetConversionFormat",
                                            {{u"SamplesPerSec", VT_EMPTY, kOut},
                                             {u"Channels", VT_EMPTY, kOut},
                                             {u"BitsPerSample", VT_EMPTY, kOut},
                                             {u"ChannelMask", VT_EMPTY, kOut}}),
            Method<&I::SetConversionFormat>(u"SetConversionFormat", 5, u"method SetConversionFormat",
                                            {{u"SamplesPerSec"}, {u"Channels"}, {u"BitsPerSample"}, {u"ChannelMask"}}),
        }};
    return table;
}

const kez::frame::ClassInfo kClasses[] = {
    {u"AudioCompress3", CLSID_AudioCompress3, IID_IAudioCompress3, u"AudioCompress3 Class",
     u"KezAudioCompress3.AudioCompress3.1", u"KezAudioCompress3.AudioCompress3", 102,
     &kez::frame::CreateObject<AudioCompress3>, &AudioCompress3Table},
};

const kez::frame::StringResource kStrings[] = {{100, u"KezAudioCompress3"}};

// Application id of the module.
constexpr GUID kAppId = PLATFORM_GUID(0x9AE042AD, 0xD46D, 0x42A0, 0xB4, 0x80, 0x35, 0x96, 0x9B, 0x3B, 0x07, 0x38);

const kez::frame::LibraryInfo kLibrary{
    u"KezAudioCompress3.DLL", LIBID_KezAudioCompress3Lib, 1, 0, 0x409, u"KezAudioCompress3Lib",
    u"KezAudioCompress 3.0 Type Library", kAppId, 100, 101, kClasses, kStrings,
};

}  // namespace

const kez::frame::LibraryInfo& KezLibraryInfo() { return kLibrary; }

KEZ_FRAME_ENTRY_POINTS()
