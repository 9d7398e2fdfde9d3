// ITypeInfo answered from a member table: names, ids, documentation and invocation.
#include <atomic>

#include "com/dispatch.h"

namespace platform {
namespace {

constexpr MEMBERID kMemberNil = -1;

BSTR Copy(const OLECHAR* s) {
    return s ? SysAllocString(s) : nullptr;
}

class TableTypeInfo final : public ITypeInfo {
public:
    explicit TableTypeInfo(const DispInterface& table) : table_(table) {}

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_ITypeInfo) {
            *ppv = static_cast<ITypeInfo*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs_; }
    STDMETHOD_(ULONG, Release)() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    STDMETHOD(GetTypeAttr)(void**) override { return E_NOTIMPL; }
    STDMETHOD(GetTypeComp)(void**) override { return E_NOTIMPL; }
    STDMETHOD(GetFuncDesc)(UINT, void**) override { return E_NOTIMPL; }
    STDMETHOD(GetVarDesc)(UINT, void**) override { return E_NOTIMPL; }

    // The member's name, then its parameters' names (the retval has none to offer).
    STDMETHOD(GetNames)(MEMBERID id, BSTR* names, UINT maxNames, UINT* count) override {
        if (!names || !count) return E_INVALIDARG;
        *count = 0;
        const DispMember* m = Find(id);
        if (!m) return TYPE_E_ELEMENTNOTFOUND;
        if (maxNames == 0) return S_OK;
        names[(*count)++] = Copy(m->name);
        for (const auto& p : m->params) {
            if (*count >= maxNames) break;
            if (p.flags & PARAMFLAG_FRETVAL) break;
            names[(*count)++] = Copy(p.name ? p.name : u"");
        }
        return S_OK;
    }
    STDMETHOD(GetRefTypeOfImplType)(UINT, DWORD*) override { return E_NOTIMPL; }
    STDMETHOD(GetImplTypeFlags)(UINT, INT*) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(LPOLESTR* names, UINT count, MEMBERID* ids) override {
        return TableGetIDsOfNames(table_, GUID_NULL, names, count, ids);
    }
    STDMETHOD(Invoke)
    (PVOID instance, MEMBERID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
     UINT* argErr) override {
        if (!instance) return E_INVALIDARG;
        return TableInvoke(table_, instance, id, flags, params, result, excep, argErr);
    }
    STDMETHOD(GetDocumentation)
    (MEMBERID id, BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile) override {
        const OLECHAR* n;
        const OLECHAR* h;
        if (id == kMemberNil) {
            n = table_.name;
            h = table_.help;
        } else {
            const DispMember* m = Find(id);
            if (!m) return TYPE_E_ELEMENTNOTFOUND;
            n = m->name;
            h = m->help;
        }
        if (name) *name = Copy(n);
        if (doc) *doc = Copy(h);
        if (helpContext) *helpContext = 0;
        if (helpFile) *helpFile = nullptr;
        return S_OK;
    }
    STDMETHOD(GetDllEntry)(MEMBERID, int, BSTR*, BSTR*, WORD*) override { return E_NOTIMPL; }
    STDMETHOD(GetRefTypeInfo)(DWORD, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(AddressOfMember)(MEMBERID, int, PVOID*) override { return E_NOTIMPL; }
    STDMETHOD(CreateInstance)(IUnknown*, REFIID, PVOID*) override { return E_NOTIMPL; }
    STDMETHOD(GetMops)(MEMBERID, BSTR*) override { return E_NOTIMPL; }
    STDMETHOD(GetContainingTypeLib)(void**, UINT*) override { return E_NOTIMPL; }
    STDMETHOD_(void, ReleaseTypeAttr)(void*) override {}
    STDMETHOD_(void, ReleaseFuncDesc)(void*) override {}
    STDMETHOD_(void, ReleaseVarDesc)(void*) override {}

private:
    ~TableTypeInfo() = default;

    const DispMember* Find(MEMBERID id) const {
        for (const auto& m : table_.members)
            if (m.id == id) return &m;
        return nullptr;
    }

    const DispInterface& table_;
    std::atomic<ULONG> refs_{1};
};

}  // namespace

HRESULT TableGetTypeInfo(const DispInterface& table, UINT index, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    *info = new (std::nothrow) TableTypeInfo(table);
    return *info ? S_OK : E_OUTOFMEMORY;
}

}  // namespace platform
