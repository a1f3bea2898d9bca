#include "platform/memory.h"

#include <cstdlib>
#include <cstring>

namespace zavo::platform {

namespace {

// Smaller blocks are the heap's business: it keeps and reuses them well by itself.
constexpr size_t kSpareMinimum = size_t{1} << 20;
// A request this small is no picture that could displace the spare (masks, glyphs, thumbnails).
constexpr size_t kDisplacingMinimum = size_t{64} << 10;

// Each thread keeps its own spare: a worker decoding beside the user-interface thread would
// otherwise take the block that thread freed a moment before and is about to ask for again.
struct Spare {
    PictureBlock block;
    ~Spare() { std::free(block.bytes); }
};
thread_local Spare tSpare;

}  // namespace

PictureBlock AllocatePictureMemory(size_t size, bool zeroed) {
    if (size == 0) return {};
    PictureBlock& spare = tSpare.block;
    if (spare.bytes != nullptr && size <= spare.capacity && size >= spare.capacity / 2) {
        PictureBlock block = spare;
        spare = {};
        if (zeroed) std::memset(block.bytes, 0, size);
        return block;
    }
    if (spare.bytes != nullptr && size >= kDisplacingMinimum) {
        std::free(spare.bytes);
        spare = {};
    }
    void* bytes = zeroed ? std::calloc(size, 1) : std::malloc(size);
    if (bytes == nullptr) return {};
    return {static_cast<uint8_t*>(bytes), size};
}

void FreePictureMemory(PictureBlock block) {
    if (block.bytes == nullptr) return;
    if (block.capacity < kSpareMinimum) {
        std::free(block.bytes);
        return;
    }
    std::free(tSpare.block.bytes);
    tSpare.block = block;
}

size_t SparePictureMemory() { return tSpare.block.capacity; }

}  // namespace zavo::platform
