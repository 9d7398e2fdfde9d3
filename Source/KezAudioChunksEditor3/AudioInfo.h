// AudioInfo: reports the audio values of the last file its editor read. It holds no values
// of its own; every get reads the editor's. Created on its own class it belongs to no
// editor and reports the values of a file never read. It answers IAudioInfo, IDispatch
// and IObjectWithSite, but not ISupportErrorInfo: it never reports errors.
#pragma once

#include "KezAudioChunksEditor3/KezAudioChunksEditor3Lib_TLB.h"
#include "com/dispatch.h"
#include "frame/library.h"
#include "frame/range_mode.h"

namespace kez::chunks {

struct AudioValues {
    LONG sampleRate = 0;
    LONG bitrate = 0;
    LONG channels = 0;
    LONG sampleSize = 0;
    LONG formatTag = 0;
    LONG blockAlign = 0;
    double compressRate = 0;
    LONGLONG dataSize = 0;
    LONGLONG samples = 0;
    LONGLONG duration = 0;
    LONGLONG position = 0;
};

const platform::DispInterface& AudioInfoTable();

class AudioInfo final : public platform::DispatchImpl<IAudioInfo>, public IObjectWithSite {
public:
    AudioInfo(const kez::frame::ClassInfo& info, IUnknown* outer);
    HRESULT Construct() { return S_OK; }
    IUnknown* InnerUnknown() { return &inner_; }

    // Reads these values from now on; the owner outlives every use.
    void Bind(const AudioValues* values, const kez::frame::VariantRangeMode* mode);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return controller_->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return controller_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return controller_->Release(); }

    STDMETHOD(get_SampleRate)(LONG* Value) override;
    STDMETHOD(get_Bitrate)(LONG* Value) override;
    STDMETHOD(get_Duration)(VARIANT* Value) override;
    STDMETHOD(get_Samples)(VARIANT* Value) override;
    STDMETHOD(get_Channels)(LONG* Value) override;
    STDMETHOD(get_SampleSize)(LONG* Value) override;
    STDMETHOD(get_FormatTag)(LONG* Value) override;
    STDMETHOD(get_FormatString)(BSTR* Value) override;
    STDMETHOD(get_BlockAlign)(LONG* Value) override;
    STDMETHOD(get_CompressRate)(DOUBLE* Value) override;
    STDMETHOD(get_Size)(VARIANT* Value) override;
    STDMETHOD(get_Position)(VARIANT* Value) override;

    HRESULT STDMETHODCALLTYPE SetSite(IUnknown* site) override;
    HRESULT STDMETHODCALLTYPE GetSite(REFIID iid, void** out) override;

private:
    ~AudioInfo();
    struct Inner final : IUnknown {
        explicit Inner(AudioInfo* o) : self(o) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
        ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
        ULONG STDMETHODCALLTYPE Release() override;
        AudioInfo* self;
        ULONG refs = 0;
    };
    HRESULT Store(LONGLONG value, VARIANT* out) const;

    Inner inner_;
    IUnknown* controller_;
    IUnknown* site_ = nullptr;
    AudioValues own_;  // all zero: for an object of no editor
    kez::frame::VariantRangeMode ownMode_;
    const AudioValues* values_ = &own_;
    const kez::frame::VariantRangeMode* mode_ = &ownMode_;
};

}  // namespace kez::chunks
