#include "cutter/components/EOleException.h"

#include <dlfcn.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "com/combase.h"
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

void OleCheckCreate(HRESULT hr, const char* component, const char* module) {
    if (hr != REGDB_E_CLASSNOTREG && hr != CO_E_DLLNOTFOUND && hr != CO_E_ERRORINDLL &&
        hr != CLASS_E_CLASSNOTAVAILABLE)
        return OleCheck(hr);
    std::string message = StatusText(hr) + ": the component " + component + " (module " + module +
                          ") could not be created.";
    if (hr != REGDB_E_CLASSNOTREG) {
        if (const char* why = PlatformLastLoadError(); why && *why) message += std::string(" ") + why + ".";
    }
    // The modules sit beside the platform library, in a build as once installed.
    std::string path = module;
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&CoCreateInstance), &info) && info.dli_fname) {
        std::string lib = info.dli_fname;
        if (char* real = ::realpath(info.dli_fname, nullptr)) {
            lib = real;
            std::free(real);
        }
        if (auto slash = lib.rfind('/'); slash != std::string::npos) path = lib.substr(0, slash + 1) + module;
    }
    message += " Reinstall TarvelCutter, or register the module for your user with: regsvr " + path;
    throw EOleException(message, hr);
}

void CheckRegularFile(const std::string& utf8Path) {
    const int err = platform::file::RegularFileError(utf8Path);
    if (err == EISDIR || err == EINVAL)
        throw EOleException("The file " + utf8Path + " cannot be opened: not a regular file.", E_INVALIDARG);
}
