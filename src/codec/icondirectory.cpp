#include "codec/icondirectory.h"

#include <cstdlib>

#include "base/bytecursor.h"

namespace zavo {

namespace {

// Colours of an entry for comparing: 0 stands for more than any count.
int64_t Colors(const IconEntry& e) { return e.colorCount == 0 ? INT64_MAX : e.colorCount; }

// True when d (this entry's distance from the wanted size) is at least as good as o (the current
// choice's): no larger in size, and not overshooting where the current choice undershoots.
bool FitsAsWell(int d, int o) { return std::abs(d) <= std::abs(o) && (d <= 0 || d <= o); }

}  // namespace

IconHeader ReadIconHeader(std::span<const uint8_t> file) {
    ByteCursor c(file);
    IconHeader h;
    h.reserved = c.U16le();
    h.type = c.U16le();
    h.count = c.U16le();
    return h;
}

std::vector<IconEntry> ReadIconDirectory(std::span<const uint8_t> file, const IconHeader& header) {
    ByteCursor c(file);
    c.Seek(kIconHeaderSize);
    std::vector<IconEntry> entries;
    for (int i = 0; i < header.count && c.Has(kIconEntrySize); ++i) {
        IconEntry e;
        e.width = c.U8();
        e.height = c.U8();
        e.colorCount = c.U8();
        c.Skip(5);  // reserved, planes, bit count
        e.bytes = c.U32le();
        e.offset = c.U32le();
        if (e.width == 0) e.width = 256;
        if (e.height == 0) e.height = 256;
        entries.push_back(e);
    }
    return entries;
}

int ChooseIconEntry(std::span<const IconEntry> entries, int wantWidth, int wantHeight, int colorLimit) {
    if (entries.empty()) return -1;
    const int64_t limit = colorLimit == 0 ? INT64_MAX : colorLimit;
    int chosen = 0;
    for (int i = 1; i < static_cast<int>(entries.size()); ++i) {
        const IconEntry& e = entries[static_cast<size_t>(i)];
        const IconEntry& c = entries[static_cast<size_t>(chosen)];
        if (Colors(e) > limit || Colors(e) < Colors(c)) continue;
        if (FitsAsWell(e.width - wantWidth, c.width - wantWidth) &&
            FitsAsWell(e.height - wantHeight, c.height - wantHeight))
            chosen = i;
    }
    return chosen;
}

}  // namespace zavo
