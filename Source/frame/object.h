// The base of every object a frame library creates: one dual interface (its IDispatch
// from the interface's member table), ISupportErrorInfo, IObjectWithSite, aggregation,
// the lock count, and the report step bound to the object's class.
//
//   class AudioArrayInfo : public kez::frame::ComObject<IAudioArrayInfo> {
//   public:
//       using ComObject::ComObject;          // (const ClassInfo&, IUnknown* outer)
//       HRESULT Construct() override;        // optional construction step
//       ...the interface's methods...
//   };
//   ClassInfo{..., &kez::frame::CreateObject<AudioArrayInfo>, &AudioArrayInfoTable}
#pragma once

#include <new>

#include "com/dispatch.h"
#include "frame/errors.h"
#include "frame/module.h"

namespace kez::frame {

template <class Iface>
class ComObject : public platform::DispatchImpl<Iface>, public ISupportErrorInfo, public IObjectWithSite {
public:
    // outer null: a plain object; otherwise the object is aggregated and its interfaces'
    // IUnknown methods go to outer.
    ComObject(const ClassInfo& info, IUnknown* outer)
        : platform::DispatchImpl<Iface>(info.table()), info_(info), inner_(this), controller_(outer ? outer : &inner_) {
        Module::Instance().Lock();
    }

    // The class's construction step; a failure destroys the half-built object and becomes
    // the result of the creation.
    virtual HRESULT Construct() { return S_OK; }

    // IUnknown of every interface: the controlling unknown's.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return controller_->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return controller_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return controller_->Release(); }

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
        return iid == info_.iid ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE SetSite(IUnknown* site) override {
        if (site) site->AddRef();
        if (site_) site_->Release();
        site_ = site;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSite(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!site_) return E_FAIL;
        return site_->QueryInterface(iid, out);
    }

    // The object's own (non-delegating) IUnknown.
    IUnknown* InnerUnknown() { return &inner_; }
    const ClassInfo& Class() const { return info_; }

protected:
    virtual ~ComObject() {
        if (site_) site_->Release();
        Module::Instance().Unlock();
    }

    // The report step for this class: the error table's status, with a record naming the
    // class's interface and ProgID.
    HRESULT Report(int code) const { return ReportError(code, info_); }
    HRESULT ReportResource(unsigned stringId, HRESULT status = 0) const {
        return ReportByResource(stringId, info_, status);
    }

private:
    struct Inner final : IUnknown {
        explicit Inner(ComObject* o) : self(o) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
            if (!out) return E_POINTER;
            *out = nullptr;
            IUnknown* itf = nullptr;
            if (iid == IID_IUnknown)
                itf = this;
            else if (iid == IID_IDispatch || iid == self->info_.iid)
                itf = static_cast<Iface*>(self);
            else if (iid == IID_ISupportErrorInfo)
                itf = static_cast<ISupportErrorInfo*>(self);
            else if (iid == IID_IObjectWithSite)
                itf = static_cast<IObjectWithSite*>(self);
            if (!itf) return E_NOINTERFACE;
            itf->AddRef();
            *out = itf;
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
        ULONG STDMETHODCALLTYPE Release() override {
            ULONG n = --refs;
            if (n == 0) delete self;
            return n;
        }
        ComObject* self;
        ULONG refs = 0;  // a plain counter: the object lives in its creator's apartment
    };

    const ClassInfo& info_;
    Inner inner_;
    IUnknown* controller_;
    IUnknown* site_ = nullptr;
};

// The CreateFn of a class built on ComObject.
template <class T>
HRESULT CreateObject(const ClassInfo& info, IUnknown* outer, IUnknown** inner) {
    if (!inner) return E_POINTER;
    *inner = nullptr;
    T* object = new (std::nothrow) T(info, outer);
    if (!object) return E_OUTOFMEMORY;
    IUnknown* unk = object->InnerUnknown();
    unk->AddRef();
    HRESULT hr = object->Construct();
    if (FAILED(hr)) {
        unk->Release();
        return hr;
    }
    *inner = unk;
    return S_OK;
}

}  // namespace kez::frame
