// Events through connection points: the source side (an object's outgoing dispinterfaces)
// and the client side (a sink whose Invoke calls handlers by dispatch id).
//
// Source:
//
//   class Player : public platform::DispatchImpl<IAudioPlayer3> {
//       platform::ConnectionPoints events_{this, {DIID_IAudioPlayer3Events}};
//       STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
//           if (riid == IID_IConnectionPointContainer) { *ppv = events_.Container(); AddRef(); return S_OK; }
//           ...
//       }
//       void Finished() { events_.Fire(5); }                            // OnEndPlay
//       void Tick(LONGLONG samples) { events_.Fire(3, {samples}); }     // OnTimer(CurrentSamples)
//   };
//
// Client:
//
//   platform::EventConnection conn;
//   HRESULT hr = conn.Connect(player, DIID_IAudioPlayer3Events, {
//       {1, [&](const platform::EventArgs&) { FeedNextBlock(); }},
//       {5, [&](const platform::EventArgs&) { Stop(); }},
//   });
//   ...  // the destructor (or Disconnect) unadvises
//
// Events are delivered on the thread that fires them, synchronously.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "automation/oleauto.h"
#include "com/interfaces.h"

namespace platform {

// One event argument, owned (a string is copied into a new BSTR).
class PLATFORM_CXX EventArg {
public:
    EventArg(LONG value);
    EventArg(LONGLONG value);
    EventArg(double value);
    EventArg(bool value);  // VT_BOOL
    EventArg(const OLECHAR* text);
    EventArg(const VARIANT& value);  // copied
    EventArg(IDispatch* object);
    EventArg(const EventArg& other);
    EventArg& operator=(const EventArg&) = delete;
    ~EventArg();
    const VARIANT& Value() const { return value_; }

private:
    VARIANT value_;
};

// The connection points of one object, one per outgoing interface. Embed it in the object;
// its container and points delegate AddRef/Release/QueryInterface to the owner (pass the
// controlling unknown of an aggregated object), so they live as long as the object.
class PLATFORM_CXX ConnectionPoints {
public:
    ConnectionPoints(IUnknown* owner, std::vector<IID> eventIids);
    ~ConnectionPoints();  // releases every sink still advised
    ConnectionPoints(const ConnectionPoints&) = delete;
    ConnectionPoints& operator=(const ConnectionPoints&) = delete;

    // Not AddRef'd: the caller's QueryInterface AddRefs the owner.
    IConnectionPointContainer* Container();

    // Calls Invoke(id, DISPATCH_METHOD) on every sink of the interface; args in declaration
    // order. A sink that unadvises (itself or another) during the call is not called
    // afterwards. S_OK, or the first failure a sink returned (all sinks are still called).
    HRESULT Fire(REFIID iid, DISPID id, std::initializer_list<EventArg> args = {});
    HRESULT Fire(REFIID iid, DISPID id, const VARIANT* args, UINT count);
    // The first (usually only) outgoing interface.
    HRESULT Fire(DISPID id, std::initializer_list<EventArg> args = {});

    std::size_t SinkCount(REFIID iid) const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// The arguments of one event as a sink receives them, in declaration order.
class PLATFORM_CXX EventArgs {
public:
    explicit EventArgs(const DISPPARAMS* params) : params_(params) {}
    UINT Count() const;
    // The i-th argument, read through VT_BYREF; VT_EMPTY beyond the count.
    const VARIANT& operator[](UINT i) const;
    // Converted values (0 / empty when absent or not convertible).
    LONG Long(UINT i) const;
    LONGLONG LongLong(UINT i) const;
    double Double(UINT i) const;
    bool Bool(UINT i) const;
    std::u16string String(UINT i) const;

private:
    const DISPPARAMS* params_;
};

using EventHandler = std::function<void(const EventArgs&)>;

// A sink for one outgoing interface: an IDispatch (answering also the event IID) whose
// Invoke calls the handler of the dispatch id (S_OK for ids without a handler).
// *out has one reference.
PLATFORM_CXX HRESULT CreateEventSink(REFIID eventIid, std::vector<std::pair<DISPID, EventHandler>> handlers,
                                     IDispatch** out);

// Advises a new sink with the source's connection point for eventIid and unadvises it on
// Disconnect or destruction. After Disconnect no handler is called again.
class PLATFORM_CXX EventConnection {
public:
    EventConnection() = default;
    ~EventConnection();
    EventConnection(const EventConnection&) = delete;
    EventConnection& operator=(const EventConnection&) = delete;

    // E_NOINTERFACE when the source has no connection points, CONNECT_E_* / the point's
    // Advise result otherwise. A previous connection is dropped first.
    HRESULT Connect(IUnknown* source, REFIID eventIid, std::vector<std::pair<DISPID, EventHandler>> handlers);
    void Disconnect();
    bool Connected() const { return point_ != nullptr; }

private:
    IConnectionPoint* point_ = nullptr;
    IDispatch* sink_ = nullptr;
    DWORD cookie_ = 0;
};

}  // namespace platform
