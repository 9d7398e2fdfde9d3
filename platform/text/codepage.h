// Code pages. On our platforms the ANSI code page is UTF-8: text going out to 8-bit form is
// UTF-8 and never loses a character. 8-bit text coming in that is not valid UTF-8 (files
// written elsewhere) is read as Windows-1252, every byte mapped. Lone UTF-16 surrogates
// are written as U+FFFD.
#pragma once

#include "automation/wintypes.h"

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_OEMCP = 1;
inline constexpr UINT CP_WINDOWS_1252 = 1252;
inline constexpr UINT CP_LATIN1 = 28591;
inline constexpr UINT CP_UTF8 = 65001;

inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x08;
inline constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;

// The Windows conversions. count -1 means a zero-terminated input whose terminator is
// converted too. A zero output size asks for the size needed. Returns the units (bytes)
// written or needed; 0 on failure: an unknown code page, bad arguments, a buffer that is too
// small, or (with the ERR_INVALID_CHARS flag) input that cannot be converted.
// CP_ACP and CP_OEMCP read as described above; CP_UTF8 replaces each malformed sequence
// by U+FFFD; 1252 and 28591 are the single-byte pages (characters they lack become the
// default character, '?' unless given, and *usedDefault is set).
PLATFORM_API INT MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, INT count, LPWSTR out,
                                     INT outSize);
PLATFORM_API INT WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, INT count, char* out,
                                     INT outSize, const char* defaultChar, BOOL* usedDefault);

namespace platform::text {

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
PLATFORM_CXX bool IsValidUtf8(std::string_view bytes);

// The character a Windows-1252 byte stands for; the five bytes the page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same number.
PLATFORM_CXX char16_t Cp1252ToUnicode(unsigned char byte);

// UTF-16 <-> UTF-8. Malformed UTF-8 becomes U+FFFD per bad sequence; lone surrogates
// become U+FFFD.
PLATFORM_CXX std::u16string Utf8ToUtf16(std::string_view utf8);
PLATFORM_CXX std::string Utf16ToUtf8(std::u16string_view utf16);

// The ANSI code page: ToAnsi writes UTF-8; FromAnsi reads UTF-8, or Windows-1252 when the
// bytes are not valid UTF-8 as a whole.
PLATFORM_CXX std::string ToAnsi(std::u16string_view text);
PLATFORM_CXX std::u16string FromAnsi(std::string_view text);

// The longest prefix of text that fits in maxBytes without splitting a character. Text
// that is not valid UTF-8 is single-byte text and is cut at maxBytes.
PLATFORM_CXX std::string_view TruncateUtf8(std::string_view text, std::size_t maxBytes);

// Fixed-width 8-bit text fields: writes text in the ANSI code page into field, cut to width
// without splitting a character and padded with zero bytes (no terminator at full width).
PLATFORM_CXX void WriteFixedField(std::u16string_view text, char* field, std::size_t width);
// Reads a field up to its first zero byte or its width.
PLATFORM_CXX std::u16string ReadFixedField(const char* field, std::size_t width);

// BSTR <-> UTF-8. The BSTR is new and owned by the caller (SysFreeString); a null BSTR
// reads as empty text.
PLATFORM_CXX BSTR Utf8ToBstr(std::string_view utf8);
PLATFORM_CXX std::string BstrToUtf8(BSTR text);
// BSTR <-> ANSI, with the reading rule of FromAnsi.
PLATFORM_CXX BSTR AnsiToBstr(std::string_view ansi);
PLATFORM_CXX std::string BstrToAnsi(BSTR text);

}  // namespace platform::text
