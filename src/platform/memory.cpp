#include "platform/memory.h"

#include <malloc.h>

namespace zavo::platform {

void KeepFreedPictureMemory() {
    // Large blocks come from the heap rather than from their own mappings, and up to 1 GiB of free
    // memory at the heap's top stays there for reuse.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
}

}  // namespace zavo::platform
