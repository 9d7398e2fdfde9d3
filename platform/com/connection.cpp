// Connection points of event sources, and table-free event sinks for clients.
#include "com/connection.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <new>

namespace platform {

// --- EventArg --------------------------------------------------------------------------------

EventArg::EventArg(LONG value) {
    VariantInit(&value_);
    value_.vt = VT_I4;
    value_.lVal = value;
}
EventArg::EventArg(LONGLONG value) {
    VariantInit(&value_);
    value_.vt = VT_I8;
    value_.llVal = value;
}
EventArg::EventArg(double value) {
    VariantInit(&value_);
    value_.vt = VT_R8;
    value_.dblVal = value;
}
EventArg::EventArg(bool value) {
    VariantInit(&value_);
    value_.vt = VT_BOOL;
    value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}
EventArg::EventArg(const OLECHAR* text) {
    VariantInit(&value_);
    value_.vt = VT_BSTR;
    value_.bstrVal = SysAllocString(text ? text : u"");
}
EventArg::EventArg(const VARIANT& value) {
    VariantInit(&value_);
    VariantCopy(&value_, &value);
}
EventArg::EventArg(IDispatch* object) {
    VariantInit(&value_);
    value_.vt = VT_DISPATCH;
    value_.pdispVal = object;
    if (object) object->AddRef();
}
EventArg::EventArg(const EventArg& other) {
    VariantInit(&value_);
    VariantCopy(&value_, &other.value_);
}
EventArg::~EventArg() {
    VariantClear(&value_);
}

// --- the source side -------------------------------------------------------------------------

namespace {

template <class Iface, class Item, class Held>
class Enumerator final : public Iface {
public:
    Enumerator(const IID& iid, std::vector<Held> items, std::size_t position = 0)
        : iid_(iid), items_(std::move(items)), position_(position) {}

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == iid_) {
            *ppv = static_cast<Iface*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs_; }
    STDMETHOD_(ULONG, Release)() override {
        ULONG left = --refs_;
        if (!left) delete this;
        return left;
    }
    STDMETHOD(Next)(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        for (; n < count && position_ < items_.size(); ++n, ++position_) out[n] = Give(items_[position_]);
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHOD(Skip)(ULONG count) override {
        position_ = std::min(items_.size(), position_ + count);
        return position_ < items_.size() || count == 0 ? S_OK : S_FALSE;
    }
    STDMETHOD(Reset)() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHOD(Clone)(Iface** copy) override {
        if (!copy) return E_POINTER;
        std::vector<Held> items;
        for (const auto& item : items_) items.push_back(Hold(item));
        *copy = new (std::nothrow) Enumerator(iid_, std::move(items), position_);
        return *copy ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~Enumerator() {
        for (auto& item : items_) Drop(item);
    }
    // A snapshot holds a reference to each item and hands out one more per Next.
    static CONNECTDATA Hold(const CONNECTDATA& c) {
        c.pUnk->AddRef();
        return c;
    }
    static IConnectionPoint* Hold(IConnectionPoint* p) {
        p->AddRef();
        return p;
    }
    static CONNECTDATA Give(const CONNECTDATA& c) { return Hold(c); }
    static IConnectionPoint* Give(IConnectionPoint* p) { return Hold(p); }
    static void Drop(CONNECTDATA& c) { c.pUnk->Release(); }
    static void Drop(IConnectionPoint* p) { p->Release(); }

    IID iid_;
    std::vector<Held> items_;
    std::size_t position_;
    std::atomic<ULONG> refs_{1};
};

using ConnectionsEnum = Enumerator<IEnumConnections, CONNECTDATA, CONNECTDATA>;
using PointsEnum = Enumerator<IEnumConnectionPoints, IConnectionPoint*, IConnectionPoint*>;

}  // namespace

struct ConnectionPoints::Impl {
    struct Sink {
        DWORD cookie;
        IUnknown* unk;    // what Advise was given
        IDispatch* disp;  // what events are sent to
    };

    class Point final : public IConnectionPoint {
    public:
        Point(Impl* owner, const IID& iid) : owner_(owner), iid_(iid) {}
        STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
            if (!ppv) return E_POINTER;
            if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
                *ppv = static_cast<IConnectionPoint*>(this);
                AddRef();
                return S_OK;
            }
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        STDMETHOD_(ULONG, AddRef)() override { return owner_->owner->AddRef(); }
        STDMETHOD_(ULONG, Release)() override { return owner_->owner->Release(); }
        STDMETHOD(GetConnectionInterface)(IID* iid) override {
            if (!iid) return E_POINTER;
            *iid = iid_;
            return S_OK;
        }
        STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** container) override {
            if (!container) return E_POINTER;
            *container = &owner_->container;
            AddRef();
            return S_OK;
        }
        STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override {
            if (!cookie) return E_POINTER;
            *cookie = 0;
            if (!sink) return E_POINTER;
            void* disp = nullptr;
            if (FAILED(sink->QueryInterface(iid_, &disp)) || !disp) {
                disp = nullptr;
                if (FAILED(sink->QueryInterface(IID_IDispatch, &disp)) || !disp)
                    return CONNECT_E_CANNOTCONNECT;
            }
            sink->AddRef();
            DWORD c = ++owner_->lastCookie;
            sinks.push_back({c, sink, static_cast<IDispatch*>(disp)});
            *cookie = c;
            return S_OK;
        }
        STDMETHOD(Unadvise)(DWORD cookie) override {
            for (auto it = sinks.begin(); it != sinks.end(); ++it) {
                if (it->cookie != cookie) continue;
                Sink gone = *it;
                sinks.erase(it);
                gone.disp->Release();
                gone.unk->Release();
                return S_OK;
            }
            return CONNECT_E_NOCONNECTION;
        }
        STDMETHOD(EnumConnections)(IEnumConnections** out) override {
            if (!out) return E_POINTER;
            std::vector<CONNECTDATA> items;
            for (const auto& s : sinks) {
                s.unk->AddRef();
                items.push_back({s.unk, s.cookie});
            }
            *out = new (std::nothrow) ConnectionsEnum(IID_IEnumConnections, std::move(items));
            return *out ? S_OK : E_OUTOFMEMORY;
        }

        bool Advised(DWORD cookie) const {
            return std::any_of(sinks.begin(), sinks.end(), [&](const Sink& s) { return s.cookie == cookie; });
        }

        Impl* owner_;
        IID iid_;
        std::vector<Sink> sinks;
    };

    class Container final : public IConnectionPointContainer {
    public:
        explicit Container(Impl* owner) : owner_(owner) {}
        STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
            return owner_->owner->QueryInterface(riid, ppv);
        }
        STDMETHOD_(ULONG, AddRef)() override { return owner_->owner->AddRef(); }
        STDMETHOD_(ULONG, Release)() override { return owner_->owner->Release(); }
        STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** out) override {
            if (!out) return E_POINTER;
            std::vector<IConnectionPoint*> items;
            for (auto& p : owner_->points) {
                p->AddRef();
                items.push_back(p.get());
            }
            *out = new (std::nothrow) PointsEnum(IID_IEnumConnectionPoints, std::move(items));
            return *out ? S_OK : E_OUTOFMEMORY;
        }
        STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint** point) override {
            if (!point) return E_POINTER;
            *point = nullptr;
            Point* p = owner_->Find(riid);
            if (!p) return CONNECT_E_NOCONNECTION;
            *point = p;
            p->AddRef();
            return S_OK;
        }
        Impl* owner_;
    };

    Impl(IUnknown* o, const std::vector<IID>& iids) : owner(o), container(this) {
        for (const auto& iid : iids) points.push_back(std::make_unique<Point>(this, iid));
    }
    ~Impl() {
        for (auto& p : points)
            for (auto& s : p->sinks) {
                s.disp->Release();
                s.unk->Release();
            }
    }
    Point* Find(REFIID iid) {
        for (auto& p : points)
            if (p->iid_ == iid) return p.get();
        return nullptr;
    }

    IUnknown* owner;
    Container container;
    std::vector<std::unique_ptr<Point>> points;
    DWORD lastCookie = 0;
};

ConnectionPoints::ConnectionPoints(IUnknown* owner, std::vector<IID> eventIids)
    : impl_(std::make_unique<Impl>(owner, eventIids)) {}

ConnectionPoints::~ConnectionPoints() = default;

IConnectionPointContainer* ConnectionPoints::Container() {
    return &impl_->container;
}

HRESULT ConnectionPoints::Fire(REFIID iid, DISPID id, const VARIANT* args, UINT count) {
    Impl::Point* point = impl_->Find(iid);
    if (!point) return CONNECT_E_NOCONNECTION;
    if (point->sinks.empty()) return S_OK;
    // The sinks may unadvise (or advise) while we call them: work on a held snapshot and
    // skip the ones that left.
    std::vector<Impl::Sink> snapshot = point->sinks;
    for (auto& s : snapshot) {
        s.disp->AddRef();
        s.unk->AddRef();
    }
    std::vector<VARIANT> reversed(count);
    for (UINT i = 0; i < count; ++i) reversed[count - 1 - i] = args[i];  // shallow: sinks get [in] values
    HRESULT first = S_OK;
    for (auto& s : snapshot) {
        if (!point->Advised(s.cookie)) continue;
        DISPPARAMS params{count ? reversed.data() : nullptr, nullptr, count, 0};
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO excep{};
        UINT argErr = 0;
        HRESULT hr = s.disp->Invoke(id, GUID_NULL, 0, DISPATCH_METHOD, &params, &result, &excep, &argErr);
        VariantClear(&result);
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
        if (FAILED(hr) && SUCCEEDED(first)) first = hr;
    }
    for (auto& s : snapshot) {
        s.disp->Release();
        s.unk->Release();
    }
    return first;
}

HRESULT ConnectionPoints::Fire(REFIID iid, DISPID id, std::initializer_list<EventArg> args) {
    std::vector<VARIANT> values;
    for (const auto& a : args) values.push_back(a.Value());
    return Fire(iid, id, values.data(), UINT(values.size()));
}

HRESULT ConnectionPoints::Fire(DISPID id, std::initializer_list<EventArg> args) {
    if (impl_->points.empty()) return CONNECT_E_NOCONNECTION;
    return Fire(impl_->points.front()->iid_, id, args);
}

std::size_t ConnectionPoints::SinkCount(REFIID iid) const {
    Impl::Point* p = impl_->Find(iid);
    return p ? p->sinks.size() : 0;
}

// --- the client side -------------------------------------------------------------------------

UINT EventArgs::Count() const {
    return params_ ? params_->cArgs : 0;
}

const VARIANT& EventArgs::operator[](UINT i) const {
    static const VARIANT empty{};
    if (i >= Count()) return empty;
    const VARIANT* v = &params_->rgvarg[params_->cArgs - 1 - i];
    if (v->vt == (VT_VARIANT | VT_BYREF) && v->pvarVal) v = v->pvarVal;
    return *v;
}

namespace {
template <class T>
T Converted(const VARIANT& v, VARTYPE vt, T VARIANT::*field, T fallback) {
    VARIANT out;
    VariantInit(&out);
    VARIANT in;
    VariantInit(&in);
    if (FAILED(VariantCopyInd(&in, &v)) || FAILED(VariantChangeType(&out, &in, 0, vt))) {
        VariantClear(&in);
        return fallback;
    }
    T value = out.*field;
    VariantClear(&in);
    VariantClear(&out);
    return value;
}
}  // namespace

LONG EventArgs::Long(UINT i) const {
    return Converted<LONG>((*this)[i], VT_I4, &VARIANT::lVal, 0);
}
LONGLONG EventArgs::LongLong(UINT i) const {
    return Converted<LONGLONG>((*this)[i], VT_I8, &VARIANT::llVal, 0);
}
double EventArgs::Double(UINT i) const {
    return Converted<double>((*this)[i], VT_R8, &VARIANT::dblVal, 0.0);
}
bool EventArgs::Bool(UINT i) const {
    return Converted<VARIANT_BOOL>((*this)[i], VT_BOOL, &VARIANT::boolVal, VARIANT_FALSE) != VARIANT_FALSE;
}
std::u16string EventArgs::String(UINT i) const {
    const VARIANT& v = (*this)[i];
    VARIANT in, out;
    VariantInit(&in);
    VariantInit(&out);
    std::u16string text;
    if (SUCCEEDED(VariantCopyInd(&in, &v)) && SUCCEEDED(VariantChangeType(&out, &in, 0, VT_BSTR)) &&
        out.bstrVal)
        text.assign(out.bstrVal, SysStringLen(out.bstrVal));
    VariantClear(&in);
    VariantClear(&out);
    return text;
}

namespace {

class Sink final : public IDispatch {
public:
    Sink(const IID& iid, std::vector<std::pair<DISPID, EventHandler>> handlers) : iid_(iid) {
        for (auto& h : handlers) handlers_[h.first] = std::move(h.second);
    }
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == iid_) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs_; }
    STDMETHOD_(ULONG, Release)() override {
        ULONG left = --refs_;
        if (!left) delete this;
        return left;
    }
    STDMETHOD(GetTypeInfoCount)(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override {
        for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHOD(Invoke)
    (DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        if (detached_) return S_OK;
        auto found = handlers_.find(id);
        if (found == handlers_.end() || !found->second) return S_OK;
        // Keep ourselves alive if the handler disconnects (and so releases us).
        AddRef();
        HRESULT hr = S_OK;
        try {
            found->second(EventArgs(params));
        } catch (const std::bad_alloc&) {
            hr = E_OUTOFMEMORY;
        } catch (...) {
            hr = E_UNEXPECTED;
        }
        Release();
        return hr;
    }
    void Detach() { detached_ = true; }

private:
    ~Sink() = default;
    IID iid_;
    std::map<DISPID, EventHandler> handlers_;
    std::atomic<ULONG> refs_{1};
    bool detached_ = false;
};

}  // namespace

HRESULT CreateEventSink(REFIID eventIid, std::vector<std::pair<DISPID, EventHandler>> handlers,
                        IDispatch** out) {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) Sink(eventIid, std::move(handlers));
    return *out ? S_OK : E_OUTOFMEMORY;
}

EventConnection::~EventConnection() {
    Disconnect();
}

HRESULT EventConnection::Connect(IUnknown* source, REFIID eventIid,
                                 std::vector<std::pair<DISPID, EventHandler>> handlers) {
    Disconnect();
    if (!source) return E_POINTER;
    IConnectionPointContainer* container = nullptr;
    HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    if (FAILED(hr) || !container) return E_NOINTERFACE;
    IConnectionPoint* point = nullptr;
    hr = container->FindConnectionPoint(eventIid, &point);
    container->Release();
    if (FAILED(hr)) return hr;
    IDispatch* sink = nullptr;
    hr = CreateEventSink(eventIid, std::move(handlers), &sink);
    if (FAILED(hr)) {
        point->Release();
        return hr;
    }
    DWORD cookie = 0;
    hr = point->Advise(sink, &cookie);
    if (FAILED(hr)) {
        sink->Release();
        point->Release();
        return hr;
    }
    point_ = point;
    sink_ = sink;
    cookie_ = cookie;
    return S_OK;
}

void EventConnection::Disconnect() {
    if (!point_) return;
    static_cast<Sink*>(sink_)->Detach();
    IConnectionPoint* point = point_;
    IDispatch* sink = sink_;
    point_ = nullptr;
    sink_ = nullptr;
    point->Unadvise(cookie_);
    point->Release();
    sink->Release();
}

}  // namespace platform
