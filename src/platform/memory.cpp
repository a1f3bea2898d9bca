#include "platform/memory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace zavo::platform {

namespace {

// Smaller blocks are the heap's business: it keeps and reuses them well by itself.
constexpr size_t kSpareMinimum = size_t{1} << 20;
// A request this small is no picture that could displace the spare (masks, glyphs, thumbnails).
constexpr size_t kDisplacingMinimum = size_t{64} << 10;

// Blocks from this size on are whole 2 MiB pages of their own, mapped for the kernel's huge pages:
// faulting a picture in 4 KiB page by page costs more than the copy into it.
constexpr size_t kHugePage = size_t{2} << 20;
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZAVO_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(ZAVO_ADDRESS_SANITIZER)
// The sanitizer sees overruns only in blocks from the heap, cut to the size asked for.
constexpr size_t kHugeMinimum = SIZE_MAX;
#else
constexpr size_t kHugeMinimum = 2 * kHugePage;
#endif

uint8_t* MapHuge(size_t capacity) {
    // Mapped with a page of slack, so that an aligned start can be cut out of it.
    const size_t mapped = capacity + kHugePage;
    void* raw = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = aligned + capacity;
    if (aligned > start) munmap(raw, aligned - start);
    if (start + mapped > end) munmap(reinterpret_cast<void*>(end), start + mapped - end);
    auto* bytes = reinterpret_cast<uint8_t*>(aligned);
    // Only advice: without huge pages the block works the same, page by page.
    madvise(bytes, capacity, MADV_HUGEPAGE);
    return bytes;
}

void Release(const PictureBlock& block) {
    if (block.bytes == nullptr) return;
    if (block.capacity >= kHugeMinimum) munmap(block.bytes, block.capacity);
    else std::free(block.bytes);
}

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
        for (PictureBlock& b : blocks) Release(b);
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
    if (size >= kDisplacingMinimum) ReleaseSparePictureMemory();
    if (size >= kHugeMinimum) {
        if (size > SIZE_MAX - 2 * kHugePage) return {};
        const size_t capacity = (size + kHugePage - 1) & ~(kHugePage - 1);
        // Fresh anonymous pages are zero already.
        uint8_t* bytes = MapHuge(capacity);
        if (bytes == nullptr) return {};
        return {bytes, capacity};
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
        Release(block);
        return;
    }
    // The older spare gives way.
    PictureBlock* blocks = tSpares.blocks;
    Release(blocks[kSpares - 1]);
    for (int i = kSpares - 1; i > 0; --i) blocks[i] = blocks[i - 1];
    blocks[0] = block;
}

void ReleaseSparePictureMemory() {
    for (PictureBlock& b : tSpares.blocks) {
        Release(b);
        b = {};
    }
}

size_t SparePictureMemory() {
    size_t total = 0;
    for (const PictureBlock& b : tSpares.blocks) total += b.capacity;
    return total;
}

void ReturnPages(uint8_t* begin, uint8_t* end) {
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    uintptr_t from = (reinterpret_cast<uintptr_t>(begin) + page - 1) / page * page;
    uintptr_t to = reinterpret_cast<uintptr_t>(end) / page * page;
    if (from < to) madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
}

void ReturnFreeHeapMemory() { malloc_trim(0); }

}  // namespace zavo::platform
