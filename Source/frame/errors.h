// The libraries' one way of reporting failure: a library error code looked up in a fixed
// table gives a status code and a message; the report step leaves an error-information
// record on the calling thread and returns the status for the operation to return.
#pragma once

#include "frame/library.h"

namespace kez::frame {

struct ErrorEntry {
    HRESULT status;
    const char16_t* message;  // null for code 0
};

// The table entry for a library error code; unknown codes give 0x80040300 "Unexpected error.".
ErrorEntry LookUpError(int code);

// Sets the thread's error information (interface id, source, description) and returns the
// status. Code 0 returns S_OK and sets nothing.
HRESULT ReportError(int code, REFIID iid, const char16_t* source);
HRESULT ReportError(int code, const ClassInfo& cls);

// Reports by string-resource number: the description is that string of the library, or
// "Unknown Error" when it holds none; the status is 0x80040000 + number unless given; the
// record's interface id is the null GUID.
HRESULT ReportByResource(unsigned stringId, const ClassInfo& cls, HRESULT status = 0);

// Fills one record on the calling thread. Returns false when no record could be made.
bool SetThreadError(REFGUID iid, const char16_t* source, const char16_t* description);

// The library's string resource with that number, or null.
const char16_t* LoadLibraryString(unsigned id);

}  // namespace kez::frame
