#include "codec/graphictypes.h"

namespace zavo {

namespace {

// The system colours by index, as a light desktop theme shows them.
constexpr platform::ColorRef kSystemColors[] = {
    0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xF0F0F0, 0xFFFFFF, 0x000000, 0x000000, 0x000000,
    0xFFFFFF, 0xD4D0C8, 0xD4D0C8, 0x808080, 0x6A240A, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x808080,
    0x000000, 0x000000, 0xFFFFFF, 0x404040, 0xE3E3E3, 0x000000, 0xE1FFFF, 0xB5B5B5, 0xCC6600,
    0xEAD1B9, 0xF2E4D7, 0xFF9933, 0xF0F0F0,
};

}  // namespace

platform::ColorRef ColorToRGB(TColor color) {
    if (color < 0) {
        auto index = static_cast<uint32_t>(color) & 0xFF;
        return index < std::size(kSystemColors) ? kSystemColors[index] : 0;
    }
    return static_cast<platform::ColorRef>(color) & 0xFFFFFF;
}

}  // namespace zavo
