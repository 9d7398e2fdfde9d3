// UTF-16 <-> UTF-8 for the COM layer's own needs (paths, registry names); internal.
#pragma once

#include <string>

#include "automation/wintypes.h"

namespace platform::com_internal {

std::string ToUtf8(const OLECHAR* s);
std::string ToUtf8(const std::u16string& s);
std::u16string FromUtf8(const std::string& s);
// Case-insensitive comparison of ASCII letters (member and key names).
bool EqualNoCase(const OLECHAR* a, const OLECHAR* b);
// "{XXXXXXXX-...}" as UTF-16.
std::u16string GuidText(const GUID& guid);

}  // namespace platform::com_internal
