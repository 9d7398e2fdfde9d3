#include "frame/errors.h"

#include <string>

#include "automation/oleauto.h"

namespace kez::frame {

namespace {

struct Row {
    int code;
    ErrorEntry entry;
};

// -18 shares its status with -12 on purpose: clients tell them apart by the message.
constexpr Row kTable[] = {
    {-10, {HRESULT(0x80040301), u"Busy error."}},
    {-11, {HRESULT(0x80040302), u"Exceeded available memory."}},
    {-12, {HRESULT(0x80040303), u"File format error."}},
    {-13, {HRESULT(0x80040304), u"Format is not supported."}},
    {-14, {HRESULT(0x80040305), u"Output Driver error."}},
    {-15, {HRESULT(0x80040306), u"Input Driver error."}},
    {-16, {HRESULT(0x80040307), u"Mixer Driver error."}},
    {-17, {HRESULT(0x80040308), u"ACM Driver error."}},
    {-18, {HRESULT(0x80040303), u"File access error."}},
    {-19, {HRESULT(0x8004030A), u"Invalid operation."}},
    {-20, {HRESULT(0x8004030B), u"Invalid parameter(argument)."}},
    {-21, {HRESULT(0x8004030C), u"Aspi Driver error."}},
    {-22, {HRESULT(0x8004030D), u"Control not installed."}},
    {-23, {HRESULT(0x8004030E), u"Index out of range."}},
    {-24, {HRESULT(0x8004030F), u"The stream is closed or unavailable."}},
};

constexpr ErrorEntry kUnexpected{HRESULT(0x80040300), u"Unexpected error."};

}  // namespace

ErrorEntry LookUpError(int code) {
    if (code == 0) return {S_OK, nullptr};
    for (const Row& row : kTable)
        if (row.code == code) return row.entry;
    return kUnexpected;
}

bool SetThreadError(REFGUID iid, const char16_t* source, const char16_t* description) {
    ICreateErrorInfo* create = nullptr;
    if (FAILED(CreateErrorInfo(&create)) || !create) return false;
    // The setters take non-const strings in their Windows declarations.
    std::u16string src = source ? source : u"";
    std::u16string desc = description ? description : u"";
    create->SetGUID(iid);
    create->SetSource(src.data());
    create->SetDescription(desc.data());
    IErrorInfo* info = nullptr;
    bool ok = false;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info))) && info) {
        ok = SUCCEEDED(SetErrorInfo(0, info));
        info->Release();
    }
    create->Release();
    return ok;
}

HRESULT ReportError(int code, REFIID iid, const char16_t* source) {
    ErrorEntry e = LookUpError(code);
    if (code == 0) return S_OK;
    SetThreadError(iid, source, e.message);
    return e.status;
}

HRESULT ReportError(int code, const ClassInfo& cls) { return ReportError(code, cls.iid, cls.progId); }

const char16_t* LoadLibraryString(unsigned id) {
    for (const StringResource& s : KezLibraryInfo().strings)
        if (s.id == id) return s.text;
    return nullptr;
}

HRESULT ReportByResource(unsigned stringId, const ClassInfo& cls, HRESULT status) {
    const char16_t* text = LoadLibraryString(stringId);
    if (!text) text = u"Unknown Error";
    if (status == 0) status = HRESULT(0x80040000u + stringId);
    SetThreadError(GUID_NULL, cls.progId, text);
    return status;
}

}  // namespace kez::frame
