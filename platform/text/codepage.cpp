// Code-page conversions through glibc's iconv: UTF-8 as the ANSI page, Windows-1252 for
// 8-bit text that is not UTF-8, and the Windows entry points on top. iconv stops at the
// first sequence it cannot convert; the callers decide what stands for it and go on.
#include "text/codepage.h"

#include "automation/oleauto.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <vector>

namespace platform::text {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// The five bytes Windows-1252 leaves undefined stand for the control characters of the same
// number; iconv refuses them both ways.
bool IsCp1252Gap(char32_t c) { return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D; }

std::string_view Bytes(std::u16string_view s) {
    return {reinterpret_cast<const char*>(s.data()), s.size() * sizeof(char16_t)};
}

std::u16string Units(const std::string& bytes) {
    std::u16string out(bytes.size() / sizeof(char16_t), u'\0');
    std::memcpy(out.data(), bytes.data(), out.size() * sizeof(char16_t));
    return out;
}

void AppendUnit(std::string& out, char16_t unit) { out.append(reinterpret_cast<const char*>(&unit), sizeof unit); }

// An open iconv descriptor for the pair. Opening one loads the page's module each time, so
// each thread keeps the descriptors it has opened; null when iconv does not know the pages.
iconv_t Descriptor(const char* to, const char* from) {
    struct Cache {
        struct Entry {
            const char* to;
            const char* from;
            iconv_t cd;
        };
        std::vector<Entry> entries;
        ~Cache() {
            for (const Entry& e : entries) iconv_close(e.cd);
        }
    };
    thread_local Cache cache;
    for (const auto& e : cache.entries)
        if (std::strcmp(e.to, to) == 0 && std::strcmp(e.from, from) == 0) return e.cd;
    const iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
    cache.entries.push_back({to, from, cd});
    return cd;
}

// Converts in from one page to another. Where iconv meets a sequence it cannot convert
// (or one cut short at the end), onBad(rest, out) appends what stands for it and returns how
// many bytes of rest it takes. False when iconv does not know the pages.
template <typename OnBad>
bool Convert(const char* to, const char* from, std::string_view in, std::string& out, OnBad onBad) {
    const iconv_t cd = Descriptor(to, from);
    if (!cd) return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buffer[1024];
    while (srcLeft > 0) {
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        const int error = errno;
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        if (r != static_cast<std::size_t>(-1) || error == E2BIG) continue;
        if (error != EILSEQ && error != EINVAL) return false;
        const std::size_t taken = std::min(srcLeft, onBad(std::string_view(src, srcLeft), out));
        src += taken;
        srcLeft -= taken;
    }
    return true;
}

// UTF-8 to UTF-16; *bad tells whether any sequence had to be replaced. A bad sequence is its
// lead byte and the continuation bytes that follow it.
std::u16string DecodeUtf8(std::string_view in, bool* bad) {
    std::string out;
    *bad = false;
    Convert(kUtf16, "UTF-8", in, out, [&](std::string_view rest, std::string& o) {
        *bad = true;
        AppendUnit(o, kReplacement);
        std::size_t skip = 1;
        while (skip < rest.size() && (static_cast<unsigned char>(rest[skip]) & 0xC0) == 0x80) ++skip;
        return skip;
    });
    return Units(out);
}

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD and sets *replaced.
std::string EncodeUtf8(std::u16string_view in, bool* replaced) {
    std::string out;
    *replaced = false;
    Convert("UTF-8", kUtf16, Bytes(in), out, [&](std::string_view, std::string& o) {
        *replaced = true;
        o += "\xEF\xBF\xBD";
        return sizeof(char16_t);
    });
    return out;
}

std::u16string DecodeSingleByte(std::string_view in, bool latin1) {
    std::string out;
    Convert(kUtf16, latin1 ? "ISO-8859-1" : "CP1252", in, out, [](std::string_view rest, std::string& o) {
        AppendUnit(o, static_cast<unsigned char>(rest[0]));
        return std::size_t{1};
    });
    return Units(out);
}

// Windows-1252 or Latin-1; a character the page lacks becomes fallback and sets *replaced.
std::string EncodeSingleByte(std::u16string_view in, bool latin1, char fallback, bool* replaced) {
    std::string out;
    *replaced = false;
    const char* page = latin1 ? "ISO-8859-1" : "CP1252";
    const auto onBad = [&](std::string_view rest, std::string& o) {
        char16_t unit[2] = {0, 0};
        std::memcpy(unit, rest.data(), std::min(rest.size(), sizeof unit));
        if (!latin1 && IsCp1252Gap(unit[0])) {
            o.push_back(static_cast<char>(unit[0]));
            return sizeof(char16_t);
        }
        *replaced = true;
        o.push_back(fallback);
        const bool pair = unit[0] >= 0xD800 && unit[0] <= 0xDBFF && unit[1] >= 0xDC00 && unit[1] <= 0xDFFF;
        return (pair ? 2 : 1) * sizeof(char16_t);
    };
    // glibc drops the tag characters (U+E0000..U+E007F) a page lacks without reporting them;
    // they are replaced like any other character the page lacks.
    std::size_t start = 0;
    for (std::size_t i = 0; i + 1 < in.size(); ++i) {
        if (in[i] != 0xDB40 || (in[i + 1] & 0xFF80) != 0xDC00) continue;
        Convert(page, kUtf16, Bytes(in.substr(start, i - start)), out, onBad);
        *replaced = true;
        out.push_back(fallback);
        start = ++i + 1;
    }
    Convert(page, kUtf16, Bytes(in.substr(start)), out, onBad);
    return out;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    bool bad = false;
    DecodeUtf8(bytes, &bad);
    return !bad;
}

char16_t Cp1252ToUnicode(unsigned char byte) {
    const char c = static_cast<char>(byte);
    const std::u16string unit = DecodeSingleByte(std::string_view(&c, 1), false);
    return unit.empty() ? static_cast<char16_t>(byte) : unit[0];
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    bool bad = false;
    return DecodeUtf8(utf8, &bad);
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    bool replaced = false;
    return EncodeUtf8(utf16, &replaced);
}

std::string ToAnsi(std::u16string_view text) { return Utf16ToUtf8(text); }

std::u16string FromAnsi(std::string_view text) {
    bool bad = false;
    std::u16string utf16 = DecodeUtf8(text, &bad);
    return bad ? DecodeSingleByte(text, false) : utf16;
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
    case CP_UTF8: result = DecodeUtf8(in, &bad); break;
    case CP_WINDOWS_1252:
    case CP_LATIN1: result = DecodeSingleByte(in, codePage == CP_LATIN1); break;
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
        result = EncodeUtf8(in, &replaced);
        if (replaced && (flags & WC_ERR_INVALID_CHARS)) return 0;
        break;
    case CP_WINDOWS_1252:
    case CP_LATIN1:
        result = EncodeSingleByte(in, codePage == CP_LATIN1, defaultChar ? *defaultChar : '?', &replaced);
        break;
    default: return 0;
    }
    if (usedDefault) *usedDefault = replaced ? TRUE : FALSE;
    return Deliver(result, out, outSize);
}
