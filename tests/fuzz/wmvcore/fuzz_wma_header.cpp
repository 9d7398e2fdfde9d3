// Any bytes as a WMA file handed to the header editor: it may refuse them, but must not
// crash or read out of bounds, and a file it accepted is rewritten into one it accepts
// again with the same attributes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "WMVCORE/wmsdk.h"

extern "C" HRESULT WMCreateEditor(IWMMetadataEditor** editor);

namespace {

struct Attr {
    std::u16string name;
    WMT_ATTR_DATATYPE type;
    std::vector<BYTE> value;
    bool operator==(const Attr&) const = default;
};

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// Opens path and lists its attributes; false when the editor refuses the file.
bool List(const std::u16string& path, std::vector<Attr>& out, IWMMetadataEditor** keep) {
    IWMMetadataEditor* ed = nullptr;
    if (WMCreateEditor(&ed) != S_OK) std::abort();
    if (ed->Open(reinterpret_cast<const WCHAR*>(path.c_str())) != S_OK) {
        ed->Release();
        return false;
    }
    IWMHeaderInfo3* info = nullptr;
    if (ed->QueryInterface(IID_IWMHeaderInfo3, reinterpret_cast<void**>(&info)) != S_OK) std::abort();
    WORD count = 0;
    if (info->GetAttributeCount(WM_ANY_STREAM, &count) != S_OK) std::abort();
    out.clear();
    for (WORD i = 0; i < count; ++i) {
        WORD nameLength = 0, stream = 0;
        DWORD length = 0;
        WMT_ATTR_DATATYPE type{};
        if (info->GetAttributeByIndexEx(WM_ANY_STREAM, i, nullptr, &nameLength, &type, nullptr, nullptr, &length) != S_OK)
            std::abort();
        std::u16string name(nameLength, u'\0');
        std::vector<BYTE> value(length);
        if (info->GetAttributeByIndexEx(WM_ANY_STREAM, i, reinterpret_cast<WCHAR*>(name.data()), &nameLength, &type,
                                        nullptr, value.data(), &length) != S_OK)
            std::abort();
        (void)stream;
        while (!name.empty() && name.back() == u'\0') name.pop_back();
        out.push_back({name, type, value});
    }
    info->Release();
    *keep = ed;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* tmp = std::getenv("TMPDIR");
    static const std::string path =
        std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz-wma-" + std::to_string(getpid()) + ".wma";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);

    const std::u16string wide = Wide(path);
    std::vector<Attr> before, after;
    IWMMetadataEditor* ed = nullptr;
    if (!List(wide, before, &ed)) return 0;
    IWMHeaderInfo3* info = nullptr;
    ed->QueryInterface(IID_IWMHeaderInfo3, reinterpret_cast<void**>(&info));
    const std::u16string title = u"fuzz title";
    WORD index = 0;
    const bool added = info->AddAttribute(0, reinterpret_cast<const WCHAR*>(u"WM/AlbumTitle"), &index, WMT_TYPE_STRING, 0,
                                          reinterpret_cast<const BYTE*>(title.c_str()),
                                          DWORD((title.size() + 1) * 2)) == S_OK;
    info->Release();
    const bool flushed = ed->Flush() == S_OK;
    ed->Release();
    if (!flushed) return 0;
    IWMMetadataEditor* again = nullptr;
    // What the editor wrote it must read back, with the attribute added.
    if (!List(wide, after, &again)) std::abort();
    again->Close();
    again->Release();
    bool found = !added;
    for (const Attr& a : after) found = found || a.name == u"WM/AlbumTitle";
    if (!found) std::abort();
    return 0;
}
