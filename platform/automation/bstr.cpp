// BSTR: a 32-bit byte length, the UTF-16 units, then one zero unit. The pointer handed out
// points at the first unit, so a BSTR reads as a zero-terminated wide string as well.
#include "automation/oleauto.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Room for the length prefix in front of the text and the zero unit after it.
constexpr std::size_t kPrefix = sizeof(std::uint32_t);
constexpr std::size_t kTerminator = sizeof(OLECHAR);

std::uint32_t* Header(BSTR s) { return reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(s) - kPrefix); }

// Allocates a string of byteLen bytes; the bytes are copied from data, or zeroed when data is
// null. Null when the length does not fit the 32-bit prefix or memory runs out.
BSTR Allocate(const void* data, std::size_t byteLen) {
    if (byteLen > std::numeric_limits<std::uint32_t>::max() - kPrefix - 2 * kTerminator) return nullptr;
    // One extra byte keeps an odd byte length followed by a whole zero unit.
    const std::size_t total = kPrefix + byteLen + kTerminator + (byteLen & 1);
    auto* block = static_cast<char*>(std::malloc(total));
    if (!block) return nullptr;
    *reinterpret_cast<std::uint32_t*>(block) = static_cast<std::uint32_t>(byteLen);
    char* text = block + kPrefix;
    if (data)
        std::memmove(text, data, byteLen);
    else
        std::memset(text, 0, byteLen);
    std::memset(text + byteLen, 0, kTerminator + (byteLen & 1));
    return reinterpret_cast<BSTR>(text);
}

std::size_t UnitLength(const OLECHAR* s) {
    std::size_t n = 0;
    while (s[n]) ++n;
    return n;
}

}  // namespace

PLATFORM_API BSTR SysAllocString(const OLECHAR* s) {
    if (!s) return nullptr;
    return Allocate(s, UnitLength(s) * sizeof(OLECHAR));
}

PLATFORM_API BSTR SysAllocStringLen(const OLECHAR* s, UINT len) {
    return Allocate(s, static_cast<std::size_t>(len) * sizeof(OLECHAR));
}

PLATFORM_API BSTR SysAllocStringByteLen(const char* s, UINT len) { return Allocate(s, len); }

// Both reallocations build the new string before freeing the old one, so s may point into
// *target.
PLATFORM_API INT SysReAllocStringLen(BSTR* target, const OLECHAR* s, UINT len) {
    if (!target) return FALSE;
    BSTR fresh = SysAllocStringLen(s, len);
    if (!fresh) return FALSE;
    SysFreeString(*target);
    *target = fresh;
    return TRUE;
}

PLATFORM_API INT SysReAllocString(BSTR* target, const OLECHAR* s) {
    if (!target) return FALSE;
    BSTR fresh = SysAllocString(s);
    if (s && !fresh) return FALSE;
    SysFreeString(*target);
    *target = fresh;
    return TRUE;
}

PLATFORM_API void SysFreeString(BSTR s) {
    if (s) std::free(Header(s));
}

PLATFORM_API UINT SysStringLen(BSTR s) { return s ? *Header(s) / sizeof(OLECHAR) : 0; }

PLATFORM_API UINT SysStringByteLen(BSTR s) { return s ? *Header(s) : 0; }
