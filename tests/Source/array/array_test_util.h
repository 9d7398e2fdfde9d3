// Helpers for the array library's tests: audio arrays built from headers and bytes, the
// bytes of result arrays, objects created through the library's own class objects, and a
// scripted stand-in for the conversion component.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "KezAudioArrayProcessing3/KezAudioArrayProcessing3Lib_TLB.h"
#include "KezAudioArrayProcessing3/audio_array.h"
#include "KezAudioArrayProcessing3/converter.h"
#include "automation/oleauto.h"
#include "frame/module.h"

namespace arraytest {

using Buf = std::vector<std::uint8_t>;

inline constexpr DWORD kComputed = 0xFFFFFFFF;  // average bytes per second from rate and block align

inline Buf Header(WORD tag, WORD channels, DWORD rate, WORD bits, WORD blockAlign = 0, DWORD avg = kComputed,
                  WORD cbSize = 0) {
    kez::array::WaveHeader h;
    h.formatTag = tag;
    h.channels = channels;
    h.samplesPerSec = rate;
    h.bitsPerSample = bits;
    h.blockAlign = blockAlign ? blockAlign : WORD(channels * bits / 8);
    h.avgBytesPerSec = avg != kComputed ? avg : rate * h.blockAlign;
    h.cbSize = cbSize;
    Buf b(18);
    h.Write(b.data());
    return b;
}

// A header followed by data bytes 0, 1, 2, ... (mod 251).
inline Buf WithData(Buf header, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) header.push_back(std::uint8_t(i % 251));
    return header;
}

inline Buf Pcm16(WORD channels, DWORD rate, std::size_t dataBytes) {
    return WithData(Header(1, channels, rate, 16), dataBytes);
}

inline Buf Concat(const Buf& a, const Buf& b) {
    Buf r = a;
    r.insert(r.end(), b.begin(), b.end());
    return r;
}

inline Buf Slice(const Buf& a, std::size_t from, std::size_t to) { return Buf(a.begin() + from, a.begin() + to); }

// Owns a byte array made from a buffer.
class Array {
public:
    Array() = default;
    explicit Array(const Buf& b) : a_(kez::array::AssembleBytes({kez::array::Bytes(b)})) {}
    ~Array() {
        if (a_) SafeArrayDestroy(a_);
    }
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;
    SAFEARRAY** in() { return &a_; }
    // An out parameter, cleared first.
    SAFEARRAY** out() {
        if (a_) SafeArrayDestroy(a_);
        a_ = nullptr;
        return &a_;
    }
    SAFEARRAY* get() const { return a_; }
    Buf bytes() const {
        kez::array::ArrayView v(a_);
        return Buf(v.bytes().begin(), v.bytes().end());
    }
    bool isNull() const { return a_ == nullptr; }

private:
    SAFEARRAY* a_ = nullptr;
};

template <class I>
I* Create(REFCLSID clsid, REFIID iid, HRESULT* status = nullptr) {
    IClassFactory* f = nullptr;
    EXPECT_EQ(kez::frame::Module::Instance().GetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&f)),
              S_OK);
    I* obj = nullptr;
    HRESULT hr = f->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&obj));
    if (status) *status = hr;
    f->Release();
    return obj;
}

// The conversion component as a script: records every call, and answers ConvertArray with
// a 16-bit PCM header in the format last set followed by the output bytes it was given
// (the input's own data when none).
class FakeConverter final : public IAudioCompress3 {
public:
    std::vector<std::string> calls;
    HRESULT failWith = S_OK;       // returned by the call named failOn
    std::string failOn;
    bool giveRaw = false;          // ConvertArray returns `raw` exactly
    Buf raw;
    Buf data;                      // data after the header, when set
    bool useData = false;
    LONG rate = 0, channels = 0, bits = 0, mask = 0, mode = 0;
    ULONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAudioCompress3) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE SetConversionMode(LONG m) override {
        calls.push_back("mode " + std::to_string(m));
        mode = m;
        return failOn == "mode" ? failWith : S_OK;
    }
    HRESULT STDMETHODCALLTYPE ConvertArray(SAFEARRAY** in, SAFEARRAY** out) override {
        calls.push_back("convert");
        *out = nullptr;
        if (failOn == "convert") return failWith;
        if (giveRaw) {
            *out = kez::array::AssembleBytes({kez::array::Bytes(raw)});
            return S_OK;
        }
        kez::array::ArrayView v(in ? *in : nullptr);
        if (v.TooShort()) {
            *out = kez::array::NewByteArray(0);
            return S_OK;
        }
        Buf body = useData ? data : Buf(v.bytes().begin() + 18, v.bytes().end());
        Buf h = Header(1, WORD(channels), DWORD(rate), WORD(bits ? bits : 16));
        *out = kez::array::AssembleBytes({kez::array::Bytes(h), kez::array::Bytes(body)});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ConversionMode(LONG* v) override {
        *v = mode;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConversionFormat(LONG*, LONG*, LONG*, LONG*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetConversionFormat(LONG r, LONG c, LONG b, LONG m) override {
        calls.push_back("format " + std::to_string(r) + " " + std::to_string(c) + " " + std::to_string(b) + " " +
                        std::to_string(m));
        rate = r;
        channels = c;
        bits = b;
        mask = m;
        return failOn == "format" ? failWith : S_OK;
    }
};

// Installs a fake (or no converter at all) for the objects created while it lives.
class ConverterScope {
public:
    explicit ConverterScope(bool available = true) {
        current() = available ? &fake : nullptr;
        kez::array::SetConverterFactory(&Make);
    }
    ~ConverterScope() {
        kez::array::SetConverterFactory(nullptr);
        current() = nullptr;
    }
    FakeConverter fake;

private:
    static FakeConverter*& current() {
        static FakeConverter* c = nullptr;
        return c;
    }
    static HRESULT Make(IAudioCompress3** out) {
        if (!current()) return REGDB_E_CLASSNOTREG;
        current()->AddRef();
        *out = current();
        return S_OK;
    }
};

struct ErrorRecord {
    GUID iid{};
    std::u16string source, description;
};

inline bool TakeError(ErrorRecord& r) {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info) return false;
    BSTR s = nullptr, d = nullptr;
    info->GetGUID(&r.iid);
    info->GetSource(&s);
    info->GetDescription(&d);
    r.source = s ? std::u16string(s) : u"";
    r.description = d ? std::u16string(d) : u"";
    SysFreeString(s);
    SysFreeString(d);
    info->Release();
    return true;
}

}  // namespace arraytest
