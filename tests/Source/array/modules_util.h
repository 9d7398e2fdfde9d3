// Registers the built modules (the array library and the conversion component) into the
// test's own registry by calling their DllRegisterServer, as regsvr does.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "com/combase.h"

namespace arraytest {

inline std::string BinDir() {
    const char* d = std::getenv("KEZ_BIN_DIR");
    return d ? d : ".";
}

// Loads a module of the bin folder and calls one of its registration entry points.
inline HRESULT CallModule(const std::string& name, const char* entry) {
    std::string path = BinDir() + "/lib" + name + ".so";
    HMODULE m = LoadLibraryA(path.c_str());
    if (!m) {
        ADD_FAILURE() << "cannot load " << path << ": " << PlatformLastLoadError();
        return E_FAIL;
    }
    auto fn = reinterpret_cast<DllRegisterServerFn>(GetProcAddress(m, entry));
    HRESULT hr = fn ? fn() : E_FAIL;
    return hr;  // the module stays loaded: the platform keeps it anyway once used
}

inline void RegisterModules() {
    ASSERT_EQ(CallModule("KezAudioCompress3", "DllRegisterServer"), S_OK);
    ASSERT_EQ(CallModule("KezAudioArrayProcessing3", "DllRegisterServer"), S_OK);
}

}  // namespace arraytest
