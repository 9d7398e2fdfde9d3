// Stand-in for the program's OleCheck while the shared one is not in the tree: the text
// comes from the thread's error information, else from the status code.
#include <cstdio>
#include <string>

#include "cutter/components/EOleException.h"

namespace {
std::string Utf8(const char16_t* s) {
    std::string out;
    for (; s && *s; ++s) {
        char32_t c = *s;
        if (c >= 0xD800 && c < 0xDC00 && s[1] >= 0xDC00 && s[1] < 0xE000) c = 0x10000 + ((c - 0xD800) << 10) + (*++s - 0xDC00);
        if (c < 0x80) out += char(c);
        else if (c < 0x800) { out += char(0xC0 | (c >> 6)); out += char(0x80 | (c & 0x3F)); }
        else if (c < 0x10000) { out += char(0xE0 | (c >> 12)); out += char(0x80 | ((c >> 6) & 0x3F)); out += char(0x80 | (c & 0x3F)); }
        else { out += char(0xF0 | (c >> 18)); out += char(0x80 | ((c >> 12) & 0x3F)); out += char(0x80 | ((c >> 6) & 0x3F)); out += char(0x80 | (c & 0x3F)); }
    }
    return out;
}
}  // namespace

void OleCheck(HRESULT hr) {
    if (SUCCEEDED(hr)) return;
    std::string text, source;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BSTR d = nullptr, s = nullptr;
        info->GetDescription(&d);
        info->GetSource(&s);
        text = Utf8(d);
        source = Utf8(s);
        SysFreeString(d);
        SysFreeString(s);
        info->Release();
    }
    if (text.empty()) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "Error 0x%08X", unsigned(hr));
        text = buf;
    }
    throw EOleException(text, hr, source);
}
