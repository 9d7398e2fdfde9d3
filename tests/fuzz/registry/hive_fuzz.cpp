// Hive file parser on arbitrary bytes: it must not crash, and what it writes back must read
// back to the same text (a second round trip changes nothing).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "registry/hive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platform::registry;
    Key first, second;
    parseHive(std::string_view(reinterpret_cast<const char*>(data), size), first);
    std::string text = serializeHive(first);
    if (parseHive(text, second) != 0) std::abort();  // our own output has no bad lines
    if (serializeHive(second) != text) std::abort();
    return 0;
}
