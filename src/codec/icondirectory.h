// The directory of an icon file and the choice of the entry to show.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace zavo {

inline constexpr int kIconHeaderSize = 6;
inline constexpr int kIconEntrySize = 16;

struct IconHeader {
    uint16_t reserved = 0;
    uint16_t type = 0;  // 1 for an icon; 0 asks for the stock application icon
    uint16_t count = 0;
};

struct IconEntry {
    int width = 0;       // a stored 0 means 256
    int height = 0;
    int colorCount = 0;  // 0: not limited
    uint32_t bytes = 0;
    uint32_t offset = 0;
};

// Reads the 6-byte header; EReadError when fewer bytes are there.
IconHeader ReadIconHeader(std::span<const uint8_t> file);

// The complete 16-byte entries of the directory behind the header, at most header.count of them;
// a directory cut short by the end of the file yields the entries that are there.
std::vector<IconEntry> ReadIconDirectory(std::span<const uint8_t> file, const IconHeader& header);

// Index of the entry that suits wantWidth x wantHeight best within colorLimit (0: no limit): the
// first entry, replaced by each later one whose colours are within the limit and at least the
// current choice's and whose size is no further from the wanted one. -1 for no entries.
int ChooseIconEntry(std::span<const IconEntry> entries, int wantWidth, int wantHeight, int colorLimit);

}  // namespace zavo
