// The 6000 x 4000 display-format picture the window benchmarks put in the panes: every pixel
// differs from its neighbours, so nothing compresses or copies as a solid fill would.
#pragma once

#include <cstdint>

#include "codec/bitmap.h"

namespace zavo::bench {

inline void FillWindowPicture(TBitmap& picture) {
    picture.SetHeight(4000);
    picture.SetWidth(6000);
    for (int y = 0; y < picture.Height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(picture.ScanLine(y));
        for (int x = 0; x < picture.Width(); ++x) row[x] = uint32_t(x * 7 + y * 13);
    }
}

}  // namespace zavo::bench
