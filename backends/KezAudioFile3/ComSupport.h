// What both file component modules share on top of the media core: reference counting and
// QueryInterface for a dual interface with ISupportErrorInfo, the IAudioInfo object (one
// template for the two interface ids), conversions between automation values and the
// core's, and the session that holds a reader or a writer.
#pragma once

#include <atomic>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "AudioReader.h"
#include "AudioWriter.h"
#include "InprocServer.h"
#include "automation/oleauto.h"
#include "com/dispatch.h"
#include "text/codepage.h"

namespace kezfilecom {

extern kezserver::ModuleCounts g_counts;  // defined by each module

std::string Utf8(BSTR s);
BSTR NewBstr(const std::string& utf8);
// VT_I4 when the value fits, else VT_I8.
void PutInt64(VARIANT* out, std::int64_t value);
// Any integer or real variant (by reference too), rounded half to even; false otherwise.
bool GetInt64(const VARIANT& in, std::int64_t* value);
// The bytes of a block variant (VT_ARRAY | VT_UI1, by reference too); false when it is
// not a byte array. An empty variant gives true with no bytes.
bool BlockBytes(const VARIANT& in, const std::uint8_t** data, std::size_t* size, SAFEARRAY** locked);
// A block variant holding bytes (VT_EMPTY for none).
HRESULT PutBlock(VARIANT* out, const std::vector<std::uint8_t>& bytes);
// Sets error information with source and description, returns hr.
HRESULT Fail(HRESULT hr, const char16_t* source, const std::string& text, REFIID iid);

// The values an IAudioInfo reports.
struct InfoValues {
    LONG sampleRate = 0, bitrate = 0, channels = 0, sampleSize = 0, formatTag = 0;
    double compressRate = 1.0;
    std::int64_t duration = 0, size = 0, position = 0;
};

class InfoSource {
public:
    virtual InfoValues Values() = 0;
    virtual IUnknown* Owner() = 0;

protected:
    ~InfoSource() = default;
};

// A reader or a writer: what IAudioFile3 and IAudioFileWMA3 drive.
class FileSession {
public:
    void Open(const std::string& path);
    void Create(const std::string& path, const kez::media::EncoderSettings& s);
    void Close();
    std::vector<std::uint8_t> Read(std::int64_t count);
    void Write(const std::uint8_t* data, std::size_t size);
    void SeekTime(std::int64_t ms);
    void SeekUnits(std::int64_t units);
    InfoValues Values() const;
    bool Reading() const { return reader_.IsOpen(); }
    bool Writing() const { return writer_.IsOpen(); }

private:
    kez::media::AudioReader reader_;
    kez::media::AudioWriter writer_;
};

// Values of a file probed on its own (the tag components' AudioInfo).
InfoValues ProbeValues(const kez::media::StreamInfo& info);

// Base of a COM object with one dual interface Iface (plus IDispatch, ISupportErrorInfo).
template <class Iface>
class ComObject : public platform::DispatchImpl<Iface>, public ISupportErrorInfo {
public:
    ComObject(const platform::DispInterface& table, const IID& iid)
        : platform::DispatchImpl<Iface>(table), iid_(iid) {
        ++g_counts.objects;
    }
    virtual ~ComObject() { --g_counts.objects; }

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == iid_) {
            *ppv = static_cast<Iface*>(this);
        } else if (riid == IID_ISupportErrorInfo) {
            *ppv = static_cast<ISupportErrorInfo*>(this);
        } else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ULONG(++refs_); }
    STDMETHOD_(ULONG, Release)() override {
        long n = --refs_;
        if (n == 0) delete this;
        return ULONG(n);
    }
    STDMETHOD(InterfaceSupportsErrorInfo)(REFIID riid) override { return riid == iid_ ? S_OK : S_FALSE; }

protected:
    const IID& iid_;

private:
    std::atomic<long> refs_{1};
};

// IAudioInfo over a source; holds a reference on the source's owner object.
template <class Iface>
const platform::DispInterface& AudioInfoTable(const IID& iid) {
    using namespace platform;
    static const DispInterface table{u"IAudioInfo", iid, u"Audio stream information", {
        Get<&Iface::get_SampleRate>(u"SampleRate", 1, u"Sample rate in Hz"),
        Get<&Iface::get_Bitrate>(u"Bitrate", 2, u"Bitrate in kbps"),
        Get<&Iface::get_Duration>(u"Duration", 3, u"Duration in ms"),
        Get<&Iface::get_Channels>(u"Channels", 4, u"Channels"),
        Get<&Iface::get_SampleSize>(u"SampleSize", 5, u"Bits per sample"),
        Get<&Iface::get_FormatTag>(u"FormatTag", 6, u"Wave format tag"),
        Get<&Iface::get_CompressRate>(u"CompressRate", 7, u"Compression rate"),
        Get<&Iface::get_Size>(u"Size", 8, u"Size in bytes"),
        Get<&Iface::get_Position>(u"Position", 9, u"Position in reader units"),
    }};
    return table;
}

template <class Iface>
class AudioInfoObject final : public ComObject<Iface> {
public:
    AudioInfoObject(InfoSource& source, const IID& iid)
        : ComObject<Iface>(AudioInfoTable<Iface>(iid), iid), source_(source) {
        source_.Owner()->AddRef();
    }
    ~AudioInfoObject() override { source_.Owner()->Release(); }

    STDMETHOD(get_SampleRate)(LONG* v) override { return Out(v, source_.Values().sampleRate); }
    STDMETHOD(get_Bitrate)(LONG* v) override { return Out(v, source_.Values().bitrate); }
    STDMETHOD(get_Duration)(VARIANT* v) override { return OutVar(v, source_.Values().duration); }
    STDMETHOD(get_Channels)(LONG* v) override { return Out(v, source_.Values().channels); }
    STDMETHOD(get_SampleSize)(LONG* v) override { return Out(v, source_.Values().sampleSize); }
    STDMETHOD(get_FormatTag)(LONG* v) override { return Out(v, source_.Values().formatTag); }
    STDMETHOD(get_CompressRate)(double* v) override {
        if (!v) return E_POINTER;
        *v = source_.Values().compressRate;
        return S_OK;
    }
    STDMETHOD(get_Size)(VARIANT* v) override { return OutVar(v, source_.Values().size); }
    STDMETHOD(get_Position)(VARIANT* v) override { return OutVar(v, source_.Values().position); }

private:
    static HRESULT Out(LONG* v, LONG value) {
        if (!v) return E_POINTER;
        *v = value;
        return S_OK;
    }
    static HRESULT OutVar(VARIANT* v, std::int64_t value) {
        if (!v) return E_POINTER;
        PutInt64(v, value);
        return S_OK;
    }
    InfoSource& source_;
};

// Hands out a new IAudioInfo over source.
template <class Iface>
HRESULT NewAudioInfo(InfoSource& source, const IID& iid, Iface** out) {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) AudioInfoObject<Iface>(source, iid);
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace kezfilecom
