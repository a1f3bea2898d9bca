// Preloaded into the real program by the end-to-end tests to run out of memory at one chosen
// place: the Nth operator new called directly from the code at [FROM, FROM + SIZE) of the
// executable throws std::bad_alloc. ZAVO_FAIL_NEW="FROM SIZE N", FROM and SIZE in hexadecimal as
// nm prints them (offsets from the executable's load address).
#include <link.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

struct Target {
    uintptr_t from = 0;
    uintptr_t to = 0;
    long nth = 0;
};

int FirstObject(dl_phdr_info* info, size_t, void* base) {
    *static_cast<uintptr_t*>(base) = info->dlpi_addr;
    return 1;  // the executable comes first
}

Target ReadTarget() {
    Target t;
    unsigned long from = 0, size = 0;
    long nth = 0;
    const char* setting = std::getenv("ZAVO_FAIL_NEW");
    if (!setting || std::sscanf(setting, "%lx %lx %ld", &from, &size, &nth) != 3) return t;
    uintptr_t base = 0;
    dl_iterate_phdr(FirstObject, &base);
    t.from = base + from;
    t.to = t.from + size;
    t.nth = nth;
    return t;
}

std::atomic<long> gCalls{0};

}  // namespace

void* operator new(std::size_t size) {
    static const Target target = ReadTarget();
    const auto caller = reinterpret_cast<uintptr_t>(__builtin_return_address(0));
    if (caller >= target.from && caller < target.to && ++gCalls == target.nth) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
