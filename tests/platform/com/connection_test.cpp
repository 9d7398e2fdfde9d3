// Connection points: advising, enumerating, firing (also while sinks leave), and the
// client-side event connection.
#include "com/connection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace platform;

inline constexpr IID DIID_Events =
    PLATFORM_GUID(0x0C7E1C01, 0x2222, 0x4333, 0x84, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA);
inline constexpr IID DIID_Other =
    PLATFORM_GUID(0x0C7E1C02, 0x2222, 0x4333, 0x84, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA);

// An event source: an IUnknown with two outgoing interfaces.
class Source final : public IUnknown {
public:
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown) {
            *ppv = this;
        } else if (riid == IID_IConnectionPointContainer) {
            *ppv = points.Container();
        } else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
    STDMETHOD_(ULONG, Release)() override { return --refs; }

    ULONG refs = 1;
    ConnectionPoints points{this, {DIID_Events, DIID_Other}};
};

IConnectionPoint* PointOf(Source& s, REFIID iid) {
    IConnectionPointContainer* c = nullptr;
    s.QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&c));
    IConnectionPoint* p = nullptr;
    EXPECT_EQ(c->FindConnectionPoint(iid, &p), S_OK);
    c->Release();
    return p;
}

// A sink that answers only IUnknown and IDispatch (no event IID), recording calls.
class RecordingSink final : public IDispatch {
public:
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
    STDMETHOD_(ULONG, Release)() override { return --refs; }
    STDMETHOD(GetTypeInfoCount)(UINT*) override { return E_NOTIMPL; }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHOD(Invoke)
    (DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        calls.push_back(id);
        lastFlags = flags;
        args.clear();
        for (UINT i = params->cArgs; i-- > 0;) args.push_back(params->rgvarg[i].lVal);
        if (onCall) onCall();
        return result;
    }
    ULONG refs = 1;
    std::vector<DISPID> calls;
    std::vector<LONG> args;
    WORD lastFlags = 0;
    HRESULT result = S_OK;
    std::function<void()> onCall;
};

TEST(ConnectionPoints, FindEnumerateAndAdvise) {
    Source source;
    IConnectionPointContainer* c = nullptr;
    ASSERT_EQ(source.QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&c)), S_OK);
    IConnectionPoint* none = nullptr;
    EXPECT_EQ(c->FindConnectionPoint(IID_IDispatch, &none), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(none, nullptr);

    IEnumConnectionPoints* points = nullptr;
    ASSERT_EQ(c->EnumConnectionPoints(&points), S_OK);
    IConnectionPoint* found[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(points->Next(3, found, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    IID iid{};
    found[1]->GetConnectionInterface(&iid);
    EXPECT_TRUE(iid == DIID_Other);
    IConnectionPointContainer* back = nullptr;
    ASSERT_EQ(found[0]->GetConnectionPointContainer(&back), S_OK);
    EXPECT_EQ(back, c);
    back->Release();
    for (ULONG i = 0; i < fetched; ++i) found[i]->Release();
    points->Release();
    c->Release();

    IConnectionPoint* p = PointOf(source, DIID_Events);
    RecordingSink sink;
    DWORD cookie = 0;
    ASSERT_EQ(p->Advise(&sink, &cookie), S_OK);  // no event IID: IDispatch is used
    EXPECT_NE(cookie, 0u);
    EXPECT_EQ(source.points.SinkCount(DIID_Events), 1u);

    IEnumConnections* conns = nullptr;
    ASSERT_EQ(p->EnumConnections(&conns), S_OK);
    CONNECTDATA data{};
    ASSERT_EQ(conns->Next(1, &data, nullptr), S_OK);
    EXPECT_EQ(data.dwCookie, cookie);
    data.pUnk->Release();
    EXPECT_EQ(conns->Next(1, &data, nullptr), S_FALSE);
    conns->Release();

    EXPECT_EQ(p->Unadvise(cookie + 100), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(p->Unadvise(cookie), S_OK);
    EXPECT_EQ(p->Unadvise(cookie), CONNECT_E_NOCONNECTION);
    p->Release();
    EXPECT_EQ(sink.refs, 1u);    // every reference the source took is given back
    EXPECT_EQ(source.refs, 1u);  // the point and container held the source, not themselves
}

TEST(ConnectionPoints, RefusesSinkWithoutDispatch) {
    Source source;
    Source notASink;
    IConnectionPoint* p = PointOf(source, DIID_Events);
    DWORD cookie = 7;
    EXPECT_EQ(p->Advise(&notASink, &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    EXPECT_EQ(notASink.refs, 1u);
    p->Release();
}

TEST(ConnectionPoints, FireReachesEverySinkInOrder) {
    Source source;
    IConnectionPoint* p = PointOf(source, DIID_Events);
    RecordingSink a, b, other;
    DWORD ca = 0, cb = 0, co = 0;
    p->Advise(&a, &ca);
    p->Advise(&b, &cb);
    IConnectionPoint* q = PointOf(source, DIID_Other);
    q->Advise(&other, &co);

    b.result = E_FAIL;  // one sink failing does not stop the others
    EXPECT_EQ(source.points.Fire(DIID_Events, 3, {LONG(10), LONG(20)}), E_FAIL);
    EXPECT_EQ(a.calls, std::vector<DISPID>{3});
    EXPECT_EQ(a.args, (std::vector<LONG>{10, 20}));  // declaration order
    EXPECT_EQ(a.lastFlags, DISPATCH_METHOD);
    EXPECT_EQ(b.calls, std::vector<DISPID>{3});
    EXPECT_TRUE(other.calls.empty());
    b.result = S_OK;
    EXPECT_EQ(source.points.Fire(1), S_OK);  // the first interface
    EXPECT_EQ(a.calls.size(), 2u);

    p->Unadvise(ca);
    p->Unadvise(cb);
    q->Unadvise(co);
    p->Release();
    q->Release();
}

TEST(ConnectionPoints, SinksMayLeaveDuringFire) {
    Source source;
    IConnectionPoint* p = PointOf(source, DIID_Events);
    RecordingSink a, b;
    DWORD ca = 0, cb = 0;
    p->Advise(&a, &ca);
    p->Advise(&b, &cb);
    // a unadvises itself and b: b is not called in this round, nothing dangles
    a.onCall = [&] {
        p->Unadvise(ca);
        p->Unadvise(cb);
    };
    EXPECT_EQ(source.points.Fire(DIID_Events, 1), S_OK);
    EXPECT_EQ(a.calls.size(), 1u);
    EXPECT_TRUE(b.calls.empty());
    EXPECT_EQ(a.refs, 1u);
    EXPECT_EQ(b.refs, 1u);
    EXPECT_EQ(source.points.Fire(DIID_Events, 1), S_OK);
    EXPECT_EQ(a.calls.size(), 1u);
    p->Release();
}

TEST(ConnectionPoints, DestructionReleasesRemainingSinks) {
    RecordingSink sink;
    {
        Source source;
        IConnectionPoint* p = PointOf(source, DIID_Events);
        DWORD cookie = 0;
        p->Advise(&sink, &cookie);
        p->Release();
        EXPECT_GT(sink.refs, 1u);
    }
    EXPECT_EQ(sink.refs, 1u);
}

TEST(EventConnection, HandlersByDispatchId) {
    Source source;
    std::vector<std::string> log;
    {
        EventConnection conn;
        ASSERT_EQ(
            conn.Connect(&source, DIID_Events,
                         {{1, [&](const EventArgs& e) { log.push_back("one:" + std::to_string(e.Long(0))); }},
                          {3,
                           [&](const EventArgs& e) {
                               std::u16string text = e.String(2);
                               log.push_back("three:" + std::to_string(e.LongLong(0)) + "," +
                                             std::to_string(e.Count()) + "," + (e.Bool(1) ? "T" : "F") + "," +
                                             std::string(text.begin(), text.end()));
                           }}}),
            S_OK);
        EXPECT_TRUE(conn.Connected());
        EXPECT_EQ(source.points.Fire(DIID_Events, 1, {LONG(5)}), S_OK);
        EXPECT_EQ(source.points.Fire(DIID_Events, 2), S_OK);  // no handler: ignored
        EXPECT_EQ(source.points.Fire(DIID_Events, 3, {LONGLONG(1) << 40, true, u"txt"}), S_OK);
        EXPECT_EQ(conn.Connect(&source, DIID_Other, {}), S_OK);  // replaces the first connection
        EXPECT_EQ(source.points.SinkCount(DIID_Events), 0u);
        EXPECT_EQ(source.points.SinkCount(DIID_Other), 1u);
    }
    EXPECT_EQ(source.points.SinkCount(DIID_Other), 0u);
    EXPECT_EQ(log, (std::vector<std::string>{"one:5", "three:1099511627776,3,T,txt"}));
    EXPECT_EQ(source.refs, 1u);

    EventConnection bad;
    EXPECT_EQ(bad.Connect(&source, IID_IDispatch, {}), CONNECT_E_NOCONNECTION);
    RecordingSink noPoints;
    EXPECT_EQ(bad.Connect(&noPoints, DIID_Events, {}), E_NOINTERFACE);
    EXPECT_FALSE(bad.Connected());
}

TEST(EventConnection, HandlerMayDisconnect) {
    Source source;
    EventConnection conn;
    int calls = 0;
    ASSERT_EQ(conn.Connect(&source, DIID_Events,
                           {{1,
                             [&](const EventArgs&) {
                                 ++calls;
                                 conn.Disconnect();
                             }}}),
              S_OK);
    EXPECT_EQ(source.points.Fire(DIID_Events, 1), S_OK);
    EXPECT_EQ(source.points.Fire(DIID_Events, 1), S_OK);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(conn.Connected());
}

}  // namespace
