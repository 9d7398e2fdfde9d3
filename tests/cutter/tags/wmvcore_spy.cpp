#include "wmvcore_spy.h"

#include <algorithm>

namespace {

SpyState g_state;

std::string Narrow(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) out += c < 0x80 ? char(c) : '?';
    return out;
}

std::string Narrow(const WCHAR* s) { return s ? Narrow(std::u16string(s)) : "(null)"; }

class SpyEditor final : public IWMMetadataEditor, public IWMHeaderInfo3 {
public:
    SpyEditor() { ++g_state.liveObjects; }

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid == IID_IWMHeaderInfo3) {
            g_state.calls.push_back("QueryInterface IWMHeaderInfo3");
            if (FAILED(g_state.queryResult)) return g_state.queryResult;
            *ppv = static_cast<IWMHeaderInfo3*>(this);
        } else if (riid == IID_IUnknown || riid == IID_IWMMetadataEditor) {
            *ppv = static_cast<IWMMetadataEditor*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs_; }
    STDMETHOD_(ULONG, Release)() override {
        g_state.calls.push_back("Release");
        if (--refs_ == 0) {
            --g_state.liveObjects;
            delete this;
            return 0;
        }
        return refs_;
    }
    STDMETHOD(Open)(const WCHAR* name) override {
        g_state.calls.push_back("Open " + Narrow(name));
        return g_state.openResult;
    }
    STDMETHOD(Close)() override {
        g_state.calls.push_back("Close");
        return S_OK;
    }
    STDMETHOD(Flush)() override {
        g_state.calls.push_back("Flush");
        return S_OK;
    }
    STDMETHOD(GetAttributeCount)(WORD, WORD*) override { return E_NOTIMPL; }
    STDMETHOD(GetAttributeByIndex)(WORD, WORD*, WCHAR*, WORD*, WMT_ATTR_DATATYPE*, BYTE*, WORD*) override {
        return E_NOTIMPL;
    }
    STDMETHOD(GetAttributeByName)(WORD*, LPCWSTR, WMT_ATTR_DATATYPE*, BYTE*, WORD*) override { return E_NOTIMPL; }
    STDMETHOD(SetAttribute)(WORD, LPCWSTR, WMT_ATTR_DATATYPE, const BYTE*, WORD) override { return E_NOTIMPL; }
    STDMETHOD(GetMarkerCount)(WORD*) override { return E_NOTIMPL; }
    STDMETHOD(GetMarker)(WORD, WCHAR*, WORD*, QWORD*) override { return E_NOTIMPL; }
    STDMETHOD(AddMarker)(LPCWSTR, QWORD) override { return E_NOTIMPL; }
    STDMETHOD(RemoveMarker)(WORD) override { return E_NOTIMPL; }
    STDMETHOD(GetScriptCount)(WORD*) override { return E_NOTIMPL; }
    STDMETHOD(GetScript)(WORD, WCHAR*, WORD*, WCHAR*, WORD*, QWORD*) override { return E_NOTIMPL; }
    STDMETHOD(AddScript)(LPCWSTR, LPCWSTR, QWORD) override { return E_NOTIMPL; }
    STDMETHOD(RemoveScript)(WORD) override { return E_NOTIMPL; }
    STDMETHOD(GetCodecInfoCount)(DWORD*) override { return E_NOTIMPL; }
    STDMETHOD(GetCodecInfo)(DWORD, WORD*, WCHAR*, WORD*, WCHAR*, WMT_CODEC_INFO_TYPE*, WORD*, BYTE*) override {
        return E_NOTIMPL;
    }
    STDMETHOD(GetVersion)(WORD*) override { return E_NOTIMPL; }
    STDMETHOD(GetAttributeIndices)(WORD stream, LPCWSTR name, WORD* lang, WORD* indices, WORD* count) override {
        std::vector<WORD> found;
        for (std::size_t i = 0; i < g_state.header.size(); ++i)
            if (g_state.header[i].first == name) found.push_back(WORD(i));
        g_state.calls.push_back("GetAttributeIndices " + std::to_string(stream) + " " + Narrow(name) +
                                (lang ? " lang" : " anylang") + (indices ? " buffer " : " nobuffer ") +
                                std::to_string(*count));
        if (indices) {
            if (*count < found.size()) return ASF_E_BUFFERTOOSMALL;
            std::copy(found.begin(), found.end(), indices);
        }
        *count = WORD(found.size());
        return S_OK;
    }
    STDMETHOD(GetAttributeByIndexEx)(WORD, WORD, LPWSTR, WORD*, WMT_ATTR_DATATYPE*, WORD*, BYTE*, DWORD*) override {
        return E_NOTIMPL;
    }
    STDMETHOD(ModifyAttribute)(WORD stream, WORD index, WMT_ATTR_DATATYPE type, WORD lang, const BYTE* value,
                               DWORD length) override {
        const std::u16string v = Value(value, length);
        g_state.calls.push_back("ModifyAttribute " + std::to_string(stream) + " " + std::to_string(index) + " " +
                                std::to_string(type) + " " + std::to_string(lang) + " " + Narrow(v) + " " +
                                std::to_string(length));
        if (index < g_state.header.size()) g_state.header[index].second = v;
        return S_OK;
    }
    STDMETHOD(AddAttribute)(WORD stream, LPCWSTR name, WORD* index, WMT_ATTR_DATATYPE type, WORD lang,
                            const BYTE* value, DWORD length) override {
        const std::u16string v = Value(value, length);
        g_state.calls.push_back("AddAttribute " + std::to_string(stream) + " " + Narrow(name) + " " +
                                std::to_string(type) + " " + std::to_string(lang) + " " + Narrow(v) + " " +
                                std::to_string(length));
        g_state.header.emplace_back(name, v);
        if (index) *index = WORD(g_state.header.size() - 1);
        return S_OK;
    }
    STDMETHOD(DeleteAttribute)(WORD stream, WORD index) override {
        g_state.calls.push_back("DeleteAttribute " + std::to_string(stream) + " " + std::to_string(index));
        if (index < g_state.header.size()) g_state.header.erase(g_state.header.begin() + index);
        return S_OK;
    }
    STDMETHOD(AddCodecInfo)(LPCWSTR, LPCWSTR, WMT_CODEC_INFO_TYPE, WORD, BYTE*) override { return E_NOTIMPL; }

private:
    ~SpyEditor() = default;
    static std::u16string Value(const BYTE* value, DWORD length) {
        std::u16string v(length / 2, u'\0');
        for (std::size_t i = 0; i < v.size(); ++i) v[i] = char16_t(value[2 * i] | value[2 * i + 1] << 8);
        return v;
    }
    ULONG refs_ = 1;
};

}  // namespace

extern "C" PLATFORM_CXX HRESULT WMCreateEditor(IWMMetadataEditor** editor) {
    g_state.calls.push_back("WMCreateEditor");
    *editor = nullptr;
    if (FAILED(g_state.createResult)) return g_state.createResult;
    *editor = new SpyEditor();
    return S_OK;
}

extern "C" PLATFORM_CXX SpyState* SpyGetState() { return &g_state; }
