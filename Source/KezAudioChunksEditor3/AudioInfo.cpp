#include "KezAudioChunksEditor3/AudioInfo.h"

#include "frame/module.h"

namespace kez::chunks {

AudioInfo::AudioInfo(const kez::frame::ClassInfo&, IUnknown* outer)
    : DispatchImpl(AudioInfoTable()), inner_(this), controller_(outer ? outer : &inner_) {
    kez::frame::Module::Instance().Lock();
}

AudioInfo::~AudioInfo() {
    if (site_) site_->Release();
    kez::frame::Module::Instance().Unlock();
}

void AudioInfo::Bind(const AudioValues* values, const kez::frame::VariantRangeMode* mode) {
    values_ = values;
    mode_ = mode;
}

HRESULT AudioInfo::Inner::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    IUnknown* itf = nullptr;
    if (iid == IID_IUnknown)
        itf = this;
    else if (iid == IID_IDispatch || iid == IID_IAudioInfo)
        itf = static_cast<IAudioInfo*>(self);
    else if (iid == IID_IObjectWithSite)
        itf = static_cast<IObjectWithSite*>(self);
    if (!itf) return E_NOINTERFACE;
    itf->AddRef();
    *out = itf;
    return S_OK;
}

ULONG AudioInfo::Inner::Release() {
    ULONG n = --refs;
    if (n == 0) delete self;
    return n;
}

HRESULT AudioInfo::SetSite(IUnknown* site) {
    if (site) site->AddRef();
    if (site_) site_->Release();
    site_ = site;
    return S_OK;
}

HRESULT AudioInfo::GetSite(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!site_) return E_FAIL;
    return site_->QueryInterface(iid, out);
}

#define KEZ_GET(name, expr)                  \
    HRESULT AudioInfo::name(LONG* Value) {   \
        if (!Value) return E_POINTER;        \
        *Value = (expr);                     \
        return S_OK;                         \
    }
KEZ_GET(get_SampleRate, values_->sampleRate)
KEZ_GET(get_Bitrate, values_->bitrate)
KEZ_GET(get_Channels, values_->channels)
KEZ_GET(get_SampleSize, values_->sampleSize)
KEZ_GET(get_FormatTag, values_->formatTag)
KEZ_GET(get_BlockAlign, values_->blockAlign < 1 ? 1 : values_->blockAlign)
#undef KEZ_GET

HRESULT AudioInfo::Store(LONGLONG value, VARIANT* out) const {
    if (!out) return E_POINTER;
    mode_->Store(value, out);
    return S_OK;
}

HRESULT AudioInfo::get_Duration(VARIANT* Value) { return Store(values_->duration, Value); }
HRESULT AudioInfo::get_Samples(VARIANT* Value) { return Store(values_->samples, Value); }
HRESULT AudioInfo::get_Size(VARIANT* Value) { return Store(values_->dataSize, Value); }
HRESULT AudioInfo::get_Position(VARIANT* Value) { return Store(values_->position, Value); }

HRESULT AudioInfo::get_FormatString(BSTR* Value) {
    if (!Value) return E_POINTER;
    *Value = nullptr;  // never set
    return S_OK;
}

HRESULT AudioInfo::get_CompressRate(DOUBLE* Value) {
    if (!Value) return E_POINTER;
    *Value = values_->compressRate < 1.0 ? 1.0 : values_->compressRate;
    return S_OK;
}

}  // namespace kez::chunks
