// AudioFormatWMA: the list of WMA output formats, with the values a writer needs to encode
// the chosen one. One object per client; it holds only the current choice.
#include <atomic>

#include "InprocServer.h"
#include "KezAudioFormatSettings3/KezAudioFormatSettings3Lib.h"
#include "WmaFormatList.h"
#include "com/dispatch.h"

namespace {

kezserver::ModuleCounts g_counts;
constexpr const char16_t* kSource = u"KezAudioFormatSettings3.AudioFormatWMA";

const kezserver::ClassRegistration kRegistration{CLASS_AudioFormatWMA, u"AudioFormatWMA Object",
                                                 u"KezAudioFormatSettings3.AudioFormatWMA.1",
                                                 u"KezAudioFormatSettings3.AudioFormatWMA"};

const platform::DispInterface& AudioFormatWMATable();

class AudioFormatWMA final : public platform::DispatchImpl<IAudioFormatWMA>, public ISupportErrorInfo {
public:
    AudioFormatWMA() : DispatchImpl(AudioFormatWMATable()) { ++g_counts.objects; }

    static HRESULT CanCreate() { return S_OK; }

    // IUnknown
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAudioFormatWMA)
            *ppv = static_cast<IAudioFormatWMA*>(this);
        else if (riid == IID_ISupportErrorInfo)
            *ppv = static_cast<ISupportErrorInfo*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ULONG(++refs_); }
    STDMETHOD_(ULONG, Release)() override {
        ULONG left = ULONG(--refs_);
        if (left == 0) delete this;
        return left;
    }

    // ISupportErrorInfo
    STDMETHOD(InterfaceSupportsErrorInfo)(REFIID riid) override {
        return riid == IID_IAudioFormatWMA ? S_OK : S_FALSE;
    }

    // IAudioFormatWMA
    STDMETHOD(get_FormatGroup)(LONG* value) override {
        if (!value) return E_POINTER;
        *value = 0;
        return S_OK;
    }
    STDMETHOD(put_FormatGroup)(LONG value) override {
        if (value != 0) return Fail(u"There is no WMA format group " + Number(value) + u"; the only group is 0");
        return S_OK;
    }
    STDMETHOD(get_FormatCount)(LONG* value) override {
        if (!value) return E_POINTER;
        *value = LONG(kezwma::kWmaFormats.size());
        return S_OK;
    }
    STDMETHOD(get_FormatIndex)(LONG* value) override {
        if (!value) return E_POINTER;
        *value = index_;
        return S_OK;
    }
    STDMETHOD(put_FormatIndex)(LONG value) override {
        if (value < 0 || value >= LONG(kezwma::kWmaFormats.size()))
            return Fail(u"WMA format index " + Number(value) + u" is out of range (0 to " +
                        Number(LONG(kezwma::kWmaFormats.size()) - 1) + u")");
        index_ = value;
        return S_OK;
    }
    STDMETHOD(get_FormatName)(BSTR* value) override {
        if (!value) return E_POINTER;
        std::u16string name = kezwma::WmaFormatName(Current());
        *value = SysAllocStringLen(name.data(), UINT(name.size()));
        return *value ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHOD(get_FormatSampleRate)(LONG* value) override {
        if (!value) return E_POINTER;
        *value = Current().sampleRate;
        return S_OK;
    }
    STDMETHOD(get_FormatChannels)(LONG* value) override {
        if (!value) return E_POINTER;
        *value = Current().channels;
        return S_OK;
    }
    STDMETHOD(get_FormatBitrate)(LONG* value) override {
        if (!value) return E_POINTER;
        *value = Current().bitrate;
        return S_OK;
    }

private:
    ~AudioFormatWMA() { --g_counts.objects; }

    const kezwma::WmaFormat& Current() const { return kezwma::kWmaFormats[std::size_t(index_)]; }
    static std::u16string Number(LONG n) {
        std::string s = std::to_string(n);
        return std::u16string(s.begin(), s.end());
    }
    static HRESULT Fail(const std::u16string& text) {
        return kezserver::Fail(E_INVALIDARG, kSource, text, IID_IAudioFormatWMA);
    }

    std::atomic<long> refs_{1};
    LONG index_ = kezwma::kDefaultWmaFormat;
};

const platform::DispInterface& AudioFormatWMATable() {
    using namespace platform;
    static const DispInterface table{
        u"IAudioFormatWMA",
        IID_IAudioFormatWMA,
        u"WMA output formats",
        {
            Get<&IAudioFormatWMA::get_FormatGroup>(u"FormatGroup", DISPID_AudioFormatWMA_FormatGroup,
                                                   u"Format group (always 0)"),
            Put<&IAudioFormatWMA::put_FormatGroup>(u"FormatGroup", DISPID_AudioFormatWMA_FormatGroup,
                                                   u"Format group (always 0)"),
            Get<&IAudioFormatWMA::get_FormatCount>(u"FormatCount", DISPID_AudioFormatWMA_FormatCount,
                                                   u"Number of formats in the group"),
            Get<&IAudioFormatWMA::get_FormatIndex>(u"FormatIndex", DISPID_AudioFormatWMA_FormatIndex,
                                                   u"Index of the chosen format"),
            Put<&IAudioFormatWMA::put_FormatIndex>(u"FormatIndex", DISPID_AudioFormatWMA_FormatIndex,
                                                   u"Index of the chosen format"),
            Get<&IAudioFormatWMA::get_FormatName>(u"FormatName", DISPID_AudioFormatWMA_FormatName,
                                                  u"Text of the chosen format"),
            Get<&IAudioFormatWMA::get_FormatSampleRate>(u"FormatSampleRate", DISPID_AudioFormatWMA_FormatSampleRate,
                                                        u"Sample rate of the chosen format, Hz"),
            Get<&IAudioFormatWMA::get_FormatChannels>(u"FormatChannels", DISPID_AudioFormatWMA_FormatChannels,
                                                      u"Channel count of the chosen format"),
            Get<&IAudioFormatWMA::get_FormatBitrate>(u"FormatBitrate", DISPID_AudioFormatWMA_FormatBitrate,
                                                     u"Bitrate of the chosen format, bits per second"),
        }};
    return table;
}

kezserver::ClassFactory<AudioFormatWMA> g_factory{g_counts};

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid != CLASS_AudioFormatWMA) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow() { return g_counts.CanUnload() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
    return kezserver::RegisterClass(kRegistration, kezserver::ModulePath(reinterpret_cast<void*>(&DllRegisterServer)));
}

STDAPI DllUnregisterServer() { return kezserver::UnregisterClass(kRegistration); }

