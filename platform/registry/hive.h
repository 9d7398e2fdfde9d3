// One hive of the registry store in memory, and its file format.
//
// File format (UTF-8 text, one record a line, '\n' between lines):
//
//   kez-registry 1
//   S <name> <text>          REG_SZ value: text is the data without its terminating zero
//   E <name> <text>          REG_EXPAND_SZ value, the same way
//   D <name> <number>        REG_DWORD value (4 bytes), decimal
//   H <name> <type> <hex>    any other value: decimal type, data as hex digits
//   K <id> <path>            a key: 16 hex digits of identity, then the full path from the
//                            hive's root with '\' between names
//
// Values belong to the last K line above them (the hive's root before the first one). Names and
// texts are escaped: '%', space, control characters and DEL as %XX, an unpaired UTF-16
// surrogate as %uXXXX, everything else as UTF-8; the default value's name is "@" (a value
// really named "@" is written %40). A string value whose data is not a well-formed zero-
// terminated string is written as H so that every value round-trips byte for byte.
// The reader skips lines it cannot understand and keeps going; the first line is informative.
//
// The identity of a key lets a handle notice that its key was deleted and another created in
// its place, also by another process.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/wintypes.h"

namespace platform::registry {

// Case-insensitive order of key and value names: ASCII, Latin-1 and basic Cyrillic and Greek
// letters compare without case.
PLATFORM_CXX char16_t foldCase(char16_t c);
struct PLATFORM_CXX NameLess {
    bool operator()(const std::u16string& a, const std::u16string& b) const;
};
PLATFORM_CXX bool sameName(std::u16string_view a, std::u16string_view b);

struct Value {
    std::u16string name;  // empty: the key's default value
    DWORD type = 0;
    std::vector<BYTE> data;
};

struct PLATFORM_CXX Key {
    std::u16string name;     // as created (case preserved)
    std::uint64_t id = 0;    // 0 for a hive's root
    std::map<std::u16string, std::unique_ptr<Key>, NameLess> subkeys;
    std::vector<Value> values;  // in creation order

    Key* child(std::u16string_view name) const;
    Value* value(std::u16string_view name);
    const Value* value(std::u16string_view name) const;
};

// Limits as on Windows, which also keep a corrupt file from building a pathological tree.
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;
inline constexpr std::size_t kMaxKeyDepth = 512;

// Parses file text into a fresh tree under root (which is cleared first). Never fails: lines
// that cannot be understood are skipped. Returns the number of lines skipped.
PLATFORM_CXX std::size_t parseHive(std::string_view text, Key& root);
PLATFORM_CXX std::string serializeHive(const Key& root);

// A fresh identity for a new key: random, never 0.
std::uint64_t newKeyId();

}  // namespace platform::registry
