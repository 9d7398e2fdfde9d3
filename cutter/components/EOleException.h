// The error a component wrapper raises when an operation of its component fails: the
// component's own text (its error-information description, or the status code's text
// when it left none), the reporting source and the status code.
#pragma once

#include <stdexcept>
#include <string>

#include "automation/oleauto.h"

class EOleException : public std::runtime_error {
public:
    EOleException(const std::string& message, HRESULT code, std::string source = {})
        : std::runtime_error(message), code_(code), source_(std::move(source)) {}

    HRESULT ErrorCode() const noexcept { return code_; }
    const std::string& Source() const noexcept { return source_; }

private:
    HRESULT code_;
    std::string source_;
};

// Raises EOleException for a failed status, taking the text from the calling thread's
// error information (cleared as it is read). Succeeded statuses pass through.
void OleCheck(HRESULT hr);

// OleCheck for the creation of a component: a class that is not registered, or whose module
// does not load, raises a message that names the component and the module looked for and
// says how to repair the registration.
void OleCheckCreate(HRESULT hr, const char* component, const char* module);

// Raises EOleException ("not a regular file") for a folder, a FIFO or a device, before a
// component opens it: opening a FIFO would block until a writer comes. A missing file is
// left to the component to report.
void CheckRegularFile(const std::string& utf8Path);
