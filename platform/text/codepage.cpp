// Code-page conversions: UTF-8 as the ANSI page, Windows-1252 for 8-bit text that is not
// UTF-8, and the Windows entry points on top.
#include "text/codepage.h"

#include "automation/oleauto.h"

#include <cstring>

namespace platform::text {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// 0x80..0x9F of Windows-1252; the undefined five keep their own number.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Decodes one well-formed UTF-8 sequence at p (n bytes available). Returns its length, or 0
// when the bytes there are not a well-formed sequence.
std::size_t DecodeOne(const unsigned char* p, std::size_t n, char32_t* cp) {
    const unsigned char b = p[0];
    if (b < 0x80) {
        *cp = b;
        return 1;
    }
    std::size_t len;
    char32_t min;
    if ((b & 0xE0) == 0xC0) {
        len = 2;
        min = 0x80;
        *cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3;
        min = 0x800;
        *cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4;
        min = 0x10000;
        *cp = b & 0x07;
    } else {
        return 0;
    }
    if (n < len) return 0;
    for (std::size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        *cp = (*cp << 6) | (p[i] & 0x3F);
    }
    if (*cp < min || *cp > 0x10FFFF || (*cp >= 0xD800 && *cp <= 0xDFFF)) return 0;
    return len;
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Walks UTF-16 as code points; a lone surrogate is reported as U+FFFD with *lone set.
template <typename F>
void ForEachCodePoint(std::u16string_view s, F f) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t u = s[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            f(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (s[i + 1] - 0xDC00), false);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            f(kReplacement, true);
        } else {
            f(u, false);
        }
    }
}

// UTF-8 to UTF-16; *bad tells whether any sequence had to be replaced.
std::u16string DecodeUtf8(std::string_view in, bool* bad) {
    std::u16string out;
    out.reserve(in.size());
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    std::size_t i = 0;
    *bad = false;
    while (i < in.size()) {
        char32_t cp = 0;
        const std::size_t len = DecodeOne(p + i, in.size() - i, &cp);
        if (len == 0) {
            *bad = true;
            out.push_back(kReplacement);
            // Skip the lead byte and any continuation bytes that belonged to it.
            ++i;
            while (i < in.size() && (p[i] & 0xC0) == 0x80) ++i;
            continue;
        }
        AppendUtf16(out, cp);
        i += len;
    }
    return out;
}

std::u16string DecodeCp1252(std::string_view in) {
    std::u16string out;
    out.reserve(in.size());
    for (char c : in) out.push_back(Cp1252ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

// One byte for a character in Windows-1252 or Latin-1; -1 when the page lacks it.
int EncodeSingleByte(char32_t cp, bool latin1) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    if (latin1) return cp <= 0xFF ? static_cast<int>(cp) : -1;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == cp) return 0x80 + i;
    return -1;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t cp;
        const std::size_t len = DecodeOne(p + i, bytes.size() - i, &cp);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

char16_t Cp1252ToUnicode(unsigned char byte) {
    return (byte >= 0x80 && byte <= 0x9F) ? kCp1252High[byte - 0x80] : static_cast<char16_t>(byte);
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    bool bad = false;
    return DecodeUtf8(utf8, &bad);
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    ForEachCodePoint(utf16, [&](char32_t cp, bool) { AppendUtf8(out, cp); });
    return out;
}

std::string ToAnsi(std::u16string_view text) { return Utf16ToUtf8(text); }

std::u16string FromAnsi(std::string_view text) {
    if (IsValidUtf8(text)) return Utf8ToUtf16(text);
    return DecodeCp1252(text);
}

std::string_view TruncateUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t cut = maxBytes;
    if (IsValidUtf8(text))
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut);
}

void WriteFixedField(std::u16string_view text, char* field, std::size_t width) {
    const std::string ansi = ToAnsi(text);
    const std::string_view fitted = TruncateUtf8(ansi, width);
    std::memcpy(field, fitted.data(), fitted.size());
    std::memset(field + fitted.size(), 0, width - fitted.size());
}

std::u16string ReadFixedField(const char* field, std::size_t width) {
    const void* zero = std::memchr(field, 0, width);
    const std::size_t n = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - field) : width;
    return FromAnsi(std::string_view(field, n));
}

BSTR Utf8ToBstr(std::string_view utf8) {
    const std::u16string w = Utf8ToUtf16(utf8);
    return SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
}

std::string BstrToUtf8(BSTR text) { return Utf16ToUtf8(std::u16string_view(text ? text : u"", SysStringLen(text))); }

BSTR AnsiToBstr(std::string_view ansi) {
    const std::u16string w = FromAnsi(ansi);
    return SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
}

std::string BstrToAnsi(BSTR text) { return BstrToUtf8(text); }

}  // namespace platform::text

using namespace platform::text;

namespace {

// Copies a converted result into the caller's buffer with the Windows size protocol.
template <typename Unit>
INT Deliver(const std::basic_string<Unit>& result, Unit* out, INT outSize) {
    if (result.size() > 0x7FFFFFFF) return 0;
    const INT needed = static_cast<INT>(result.size());
    if (outSize == 0) return needed;
    if (!out || outSize < needed) return 0;
    std::memcpy(out, result.data(), result.size() * sizeof(Unit));
    return needed;
}

}  // namespace

PLATFORM_API INT MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, INT count, LPWSTR out,
                                     INT outSize) {
    if (!text || count == 0 || count < -1 || outSize < 0 || (outSize > 0 && !out)) return 0;
    const std::size_t n = count == -1 ? std::strlen(text) + 1 : static_cast<std::size_t>(count);
    const std::string_view in(text, n);
    std::u16string result;
    bool bad = false;
    switch (codePage) {
    case CP_ACP:
    case CP_OEMCP: result = FromAnsi(in); break;
    case CP_UTF8:
        bad = !IsValidUtf8(in);
        result = Utf8ToUtf16(in);
        break;
    case CP_WINDOWS_1252:
        for (char c : in) result.push_back(Cp1252ToUnicode(static_cast<unsigned char>(c)));
        break;
    case CP_LATIN1:
        for (char c : in) result.push_back(static_cast<unsigned char>(c));
        break;
    default: return 0;
    }
    if (bad && (flags & MB_ERR_INVALID_CHARS)) return 0;
    return Deliver(result, out, outSize);
}

PLATFORM_API INT WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, INT count, char* out,
                                     INT outSize, const char* defaultChar, BOOL* usedDefault) {
    if (!text || count == 0 || count < -1 || outSize < 0 || (outSize > 0 && !out)) return 0;
    std::size_t n = 0;
    if (count == -1) {
        while (text[n]) ++n;
        ++n;
    } else {
        n = static_cast<std::size_t>(count);
    }
    const std::u16string_view in(text, n);
    std::string result;
    bool replaced = false;
    switch (codePage) {
    case CP_ACP:
    case CP_OEMCP:
    case CP_UTF8:
        // As on Windows, UTF-8 has no default character to report.
        if (codePage == CP_UTF8 && (defaultChar || usedDefault)) return 0;
        ForEachCodePoint(in, [&](char32_t cp, bool lone) {
            replaced |= lone;
            AppendUtf8(result, cp);
        });
        if (replaced && (flags & WC_ERR_INVALID_CHARS)) return 0;
        break;
    case CP_WINDOWS_1252:
    case CP_LATIN1: {
        const char fallback = defaultChar ? *defaultChar : '?';
        ForEachCodePoint(in, [&](char32_t cp, bool lone) {
            const int b = lone ? -1 : EncodeSingleByte(cp, codePage == CP_LATIN1);
            if (b < 0) replaced = true;
            result.push_back(b < 0 ? fallback : static_cast<char>(b));
        });
        break;
    }
    default: return 0;
    }
    if (usedDefault) *usedDefault = replaced ? TRUE : FALSE;
    return Deliver(result, out, outSize);
}
