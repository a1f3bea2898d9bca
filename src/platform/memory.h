// Pixel memory of large pictures.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zavo::platform {

// A block of pixel memory and how many bytes it really holds.
struct PictureBlock {
    uint8_t* bytes = nullptr;
    size_t capacity = 0;
};

// Blocks of picture size come from the system as fresh pages, and touching those first costs more
// than compressing the picture; yet a recompression frees one picture and at once asks for another
// of the same size. So the two blocks a thread freed last are kept as that thread's spares, and
// serve its next requests that one of them can hold without wasting more than half of it. A request
// of picture size that neither can serve so gives both back to the system first, so the memory held
// follows the pictures held: after a large picture a small one leaves nothing of the large one.
//
// Blocks of 4 MiB and more (outside AddressSanitizer builds) are mapped on their own, in whole
// 2 MiB pages that the kernel may back with huge pages; their capacity is rounded up to those.
//
// Returns a null block when the memory cannot be had. With zeroed, the first size bytes are zero;
// without, their contents are undefined.
PictureBlock AllocatePictureMemory(size_t size, bool zeroed);
void FreePictureMemory(PictureBlock block);

// The bytes the calling thread holds as its spares.
size_t SparePictureMemory();
// Gives the calling thread's spares back to the system, once nothing of their size comes soon.
void ReleaseSparePictureMemory();

// Gives the whole pages inside [begin, end) of a block still held back to the system; they read as
// zero when next touched.
void ReturnPages(uint8_t* begin, uint8_t* end);

// Gives the pages of freed heap memory back to the system. The heap keeps what was freed for reuse,
// and after large blocks come and go that can be tens of megabytes no request of the same size
// follows soon; worth its cost (a walk over the free blocks) only before and after large changes.
void ReturnFreeHeapMemory();

}  // namespace zavo::platform
