#include "platform/memory.h"

#include <cstdlib>
#include <cstring>

namespace zavo::platform {

namespace {

// Smaller blocks are the heap's business: it keeps and reuses them well by itself.
constexpr size_t kSpareMinimum = size_t{1} << 20;
// A request this small is no picture that could displace the spare (masks, glyphs, thumbnails).
constexpr size_t kDisplacingMinimum = size_t{64} << 10;

// Each thread keeps its own spares: a worker decoding beside the user-interface thread would
// otherwise take a block that thread freed a moment before and is about to ask for again. Two, since
// a load frees and asks for two pictures of different sizes in turn (the decoded file and the
// working bitmap).
constexpr int kSpares = 2;
struct Spares {
    PictureBlock blocks[kSpares];
    // The sizes of the thread's last picture-size requests, newest first.
    size_t recent[kSpares] = {};
    ~Spares() {
        for (PictureBlock& b : blocks) std::free(b.bytes);
    }
};
thread_local Spares tSpares;

bool Suits(const PictureBlock& block, size_t size) {
    return block.bytes != nullptr && size <= block.capacity && size >= block.capacity / 2;
}

}  // namespace

PictureBlock AllocatePictureMemory(size_t size, bool zeroed) {
    if (size == 0) return {};
    if (size >= kDisplacingMinimum) {
        for (int i = kSpares - 1; i > 0; --i) tSpares.recent[i] = tSpares.recent[i - 1];
        tSpares.recent[0] = size;
    }
    PictureBlock* best = nullptr;
    for (PictureBlock& b : tSpares.blocks) {
        if (Suits(b, size) && (best == nullptr || b.capacity < best->capacity)) best = &b;
    }
    if (best != nullptr) {
        PictureBlock block = *best;
        *best = {};
        if (zeroed) std::memset(block.bytes, 0, size);
        return block;
    }
    if (size >= kDisplacingMinimum) {
        for (PictureBlock& b : tSpares.blocks) {
            std::free(b.bytes);
            b = {};
        }
    }
    void* bytes = zeroed ? std::calloc(size, 1) : std::malloc(size);
    if (bytes == nullptr) return {};
    return {static_cast<uint8_t*>(bytes), size};
}

void FreePictureMemory(PictureBlock block) {
    if (block.bytes == nullptr) return;
    // A block none of the latest requests would take is not asked for again soon: a load makes the
    // new pictures before it frees the old ones, so those go back to the system at once.
    bool wanted = false;
    for (size_t size : tSpares.recent) wanted = wanted || Suits(block, size);
    if (block.capacity < kSpareMinimum || !wanted) {
        std::free(block.bytes);
        return;
    }
    // The older spare gives way.
    PictureBlock* blocks = tSpares.blocks;
    std::free(blocks[kSpares - 1].bytes);
    for (int i = kSpares - 1; i > 0; --i) blocks[i] = blocks[i - 1];
    blocks[0] = block;
}

void ReleaseSparePictureMemory() {
    for (PictureBlock& b : tSpares.blocks) {
        std::free(b.bytes);
        b = {};
    }
}

size_t SparePictureMemory() {
    size_t total = 0;
    for (const PictureBlock& b : tSpares.blocks) total += b.capacity;
    return total;
}

}  // namespace zavo::platform
