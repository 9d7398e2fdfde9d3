#include "cutter/components/EOleException.h"

#include <cerrno>
#include <cstdio>

#include "file/SafeSave.h"
#include "text/codepage.h"

namespace {

// The texts the system gives for the status codes a component call can end with.
std::string StatusText(HRESULT hr) {
    switch (hr) {
        case REGDB_E_CLASSNOTREG: return "Class not registered";
        case CO_E_DLLNOTFOUND: return "The component's module could not be loaded";
        case CO_E_ERRORINDLL: return "The component's module is not a valid component server";
        case CLASS_E_CLASSNOTAVAILABLE: return "The component's module does not offer this class";
        case CLASS_E_NOAGGREGATION: return "Class does not support aggregation";
        case E_NOINTERFACE: return "Interface not supported";
        case E_NOTIMPL: return "Not implemented";
        case E_POINTER: return "Invalid pointer";
        case E_ABORT: return "Operation aborted";
        case E_FAIL: return "Unspecified error";
        case E_UNEXPECTED: return "Catastrophic failure";
        case E_ACCESSDENIED: return "Access is denied";
        case E_OUTOFMEMORY: return "Not enough memory resources are available to complete this operation";
        case E_INVALIDARG: return "The parameter is incorrect";
        case DISP_E_TYPEMISMATCH: return "Type mismatch";
        case DISP_E_OVERFLOW: return "Overflow";
        case DISP_E_MEMBERNOTFOUND: return "Member not found";
        case DISP_E_UNKNOWNNAME: return "Unknown name";
        case DISP_E_BADPARAMCOUNT: return "Invalid number of parameters";
        case DISP_E_PARAMNOTOPTIONAL: return "Parameter not optional";
        case DISP_E_EXCEPTION: return "Exception occurred";
        default: break;
    }
    char text[64];
    std::snprintf(text, sizeof text, "Error 0x%08X", static_cast<unsigned>(hr));
    return text;
}

}  // namespace

void OleCheck(HRESULT hr) {
    if (SUCCEEDED(hr)) return;
    IErrorInfo* info = nullptr;
    std::string message, source;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BSTR text = nullptr;
        if (SUCCEEDED(info->GetDescription(&text)) && text && SysStringLen(text) > 0)
            message = platform::text::Utf16ToUtf8(std::u16string_view(text, SysStringLen(text)));
        SysFreeString(text);
        BSTR src = nullptr;
        if (SUCCEEDED(info->GetSource(&src)) && src)
            source = platform::text::Utf16ToUtf8(std::u16string_view(src, SysStringLen(src)));
        SysFreeString(src);
        info->Release();
    }
    if (message.empty()) message = StatusText(hr);
    throw EOleException(message, hr, source);
}

void CheckRegularFile(const std::string& utf8Path) {
    const int err = platform::file::RegularFileError(utf8Path);
    if (err == EISDIR || err == EINVAL)
        throw EOleException("The file " + utf8Path + " cannot be opened: not a regular file.", E_INVALIDARG);
}
