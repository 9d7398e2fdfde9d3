// The description of a component library served by the frame: its identity, its type
// library, its application id, its classes and its string resources. A library defines one
// LibraryInfo and hands it to the frame through KezLibraryInfo(); everything the frame does
// (class objects, registration, error records) is driven by it.
#pragma once

#include <span>

#include "com/interfaces.h"

namespace platform {
struct DispInterface;
}

namespace kez::frame {

struct ClassInfo;

// Creates one object of the class: plain when outer is null, aggregated otherwise. On
// success *inner is the object's own (non-delegating) IUnknown with one reference, and the
// class's construction step has run.
using CreateFn = HRESULT (*)(const ClassInfo& info, IUnknown* outer, IUnknown** inner);


struct ClassInfo {
    const char16_t* name;         // coclass name, e.g. u"AudioArrayInfo"
    CLSID clsid;
    IID iid;                      // the class's one dual interface
    const char16_t* description;  // registry description of the class
    const char16_t* progId;       // version-dependent
    const char16_t* viProgId;     // version-independent
    unsigned scriptId;            // number of its registration script
    CreateFn create;
    // The interface's member table (com/dispatch.h): its dispatch and its type information.
    const platform::DispInterface& (*table)();
};

struct StringResource {
    unsigned id;
    const char16_t* text;
};

struct LibraryInfo {
    const char16_t* moduleFileName;  // e.g. u"KezAudioArrayProcessing3.DLL"
    GUID typeLibId;
    unsigned short typeLibMajor;
    unsigned short typeLibMinor;
    LCID typeLibLcid;
    const char16_t* typeLibName;
    const char16_t* typeLibHelp;
    GUID appId;
    unsigned projectNameId;  // string resource holding the project name
    unsigned appIdScriptId;  // number of the application-id registration script
    std::span<const ClassInfo> classes;  // in the order registration and lookup walk them
    std::span<const StringResource> strings;
};

}  // namespace kez::frame

// Defined once by each library built on the frame.
const kez::frame::LibraryInfo& KezLibraryInfo();
