#include "tagtext.h"

#include <cstdint>

#include "text/codepage.h"

namespace tagtext {
namespace {

// One UTF-8 sequence at text[i]: its code point and length, or length 0 when it is
// truncated or malformed.
struct Decoded {
    char32_t cp = 0;
    std::size_t length = 0;
};

Decoded DecodeOne(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    const std::uint8_t lead = byte(i);
    if (lead < 0x80) return {lead, 1};
    std::size_t need;
    char32_t cp;
    char32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 2, cp = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 3, cp = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 4, cp = lead & 0x07, min = 0x10000;
    } else {
        return {};
    }
    if (text.size() - i < need) return {};
    for (std::size_t k = 1; k < need; ++k) {
        const std::uint8_t b = byte(i + k);
        if ((b & 0xC0) != 0x80) return {};
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
    return {cp, need};
}

void AppendWide(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

}  // namespace

std::u16string Utf8ToWide(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const Decoded d = DecodeOne(text, i);
        if (d.length == 0) break;
        AppendWide(out, d.cp);
        i += d.length;
    }
    return out;
}

std::string WideToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
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
    return out;
}

std::string_view Trim(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && static_cast<std::uint8_t>(text[b]) <= 0x20) ++b;
    while (e > b && static_cast<std::uint8_t>(text[e - 1]) <= 0x20) --e;
    return text.substr(b, e - b);
}

std::string ToAnsi(std::u16string_view text) { return platform::text::ToAnsi(text); }

std::u16string FromAnsi(std::string_view text) { return platform::text::FromAnsi(text); }

std::string TruncateAnsi(std::string_view text, std::size_t maxBytes) {
    return std::string(platform::text::TruncateUtf8(text, maxBytes));
}

}  // namespace tagtext
