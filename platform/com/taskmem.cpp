// Task memory: the allocator for blocks that cross a component boundary and are freed
// by the receiver (ProgIDFromCLSID results and the like).
#include <cstdlib>

#include "com/combase.h"

PLATFORM_API LPVOID CoTaskMemAlloc(std::size_t size) {
    return std::malloc(size ? size : 1);
}

PLATFORM_API LPVOID CoTaskMemRealloc(LPVOID p, std::size_t size) {
    return std::realloc(p, size ? size : 1);
}

PLATFORM_API void CoTaskMemFree(LPVOID p) {
    std::free(p);
}
