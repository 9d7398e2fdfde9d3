// Text rules shared by the two tag writers: UTF-8 <-> UTF-16 for Vorbis comments, the
// trimming of comment texts, and the program's 8-bit (ANSI) text <-> UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace tagtext {

// Decodes UTF-8 into UTF-16 code units. Decoding stops at the first truncated or malformed
// sequence (a stray trailing byte, a missing or wrong trailing byte, an overlong form, a
// surrogate or a value above U+10FFFF); the text decoded so far is the result. Four-byte
// sequences become surrogate pairs.
std::u16string Utf8ToWide(std::string_view text);

// Encodes UTF-16 as UTF-8. A surrogate pair becomes one four-byte sequence; a lone
// surrogate cannot be encoded and is written as U+FFFD.
std::string WideToUtf8(std::u16string_view text);

// Removes leading and trailing bytes of value 0x20 and below (blanks, controls, zeros).
std::string_view Trim(std::string_view text);

// The program's 8-bit text is in the ANSI code page (the platform's: UTF-8, read as
// Windows-1252 when it is not valid UTF-8).
std::string ToAnsi(std::u16string_view text);
std::u16string FromAnsi(std::string_view text);
// The longest prefix of ANSI text that fits maxBytes without splitting a character.
std::string TruncateAnsi(std::string_view text, std::size_t maxBytes);

}  // namespace tagtext
