// Registers the component modules of the build's bin folder into the test's registry.
#pragma once

#include <string>

#include "cutter/components/KezAudioFile3Lib_TLB.h"

namespace filetest {

// Calls DllRegisterServer of lib<name>.so from $KEZ_BIN_DIR; false when it fails.
bool RegisterModule(const std::string& name);
std::string Utf8(const std::u16string& s);
std::u16string U16(const std::string& s);
// Copies a reader into a writer a second of audio at a time, as the merge job does.
void CopyAll(TAudioFile3& reader, TAudioFile3& writer);

}  // namespace filetest
