#include "codec/lossmap.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/exceptions.h"

namespace zavo {

namespace {

constexpr int kCell = 4;
constexpr int kWindow = 8;

uint8_t LossByte(float ssim) { return uint8_t(std::lround(std::clamp(1.0f - ssim, 0.0f, 1.0f) * 255.0f)); }

// Per loss byte: the colour's weight out of 256, and its green (red is full, blue none). A loss
// below 0.01 is none to see, one of 0.05 or more is seen at full weight, and one of 0.25 or more,
// which a person sees at once, is red.
struct Tint {
    uint16_t weight;
    uint8_t green;
};
std::array<Tint, 256> MakeTints() {
    std::array<Tint, 256> tints{};
    for (int i = 0; i < 256; ++i) {
        double loss = i / 255.0;
        tints[size_t(i)].weight = uint16_t(std::lround(std::clamp((loss - 0.01) / 0.04, 0.0, 1.0) * 0.8 * 256));
        tints[size_t(i)].green = uint8_t(std::lround(255 * (1 - std::min(loss / 0.25, 1.0))));
    }
    return tints;
}

// The cell that each shown column (or row) from first on lies in: the one under its centre.
std::vector<int> CellsUnder(int first, int count, int length, int cells, platform::ZoomScale scale) {
    std::vector<int> under(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        double p = platform::ToPicture(first + i + 0.5, length, scale);
        int pixel = std::clamp(static_cast<int>(std::floor(p)), 0, length - 1);
        under[size_t(i)] = std::min(pixel / kCell, cells - 1);
    }
    return under;
}

}  // namespace

double TLossMap::Mean() const {
    double total = 0;
    for (float w : windows) total += w;
    return windows.empty() ? 0 : total / double(windows.size());
}

TLossMap MakeLossMap(int width, int height, const TQualityFigures& figures, std::vector<float> windows) {
    TLossMap map;
    map.width = width;
    map.height = height;
    map.figures = figures;
    bool one = width < kWindow || height < kWindow;
    map.across = one ? 1 : width / kCell - 1;
    map.down = one ? 1 : height / kCell - 1;
    if (windows.size() != size_t(map.across) * size_t(map.down)) throw EInvalidGraphicOperation(msg::InvalidGraphic);
    map.windows = std::move(windows);
    map.cellsAcross = one ? 1 : width / kCell;
    map.cellsDown = one ? 1 : height / kCell;
    map.cells.resize(size_t(map.cellsAcross) * size_t(map.cellsDown));
    if (one) {
        map.cells[0] = LossByte(map.windows[0]);
        return map;
    }
    // A cell lies in the windows whose top-left corner is its own or one cell up or left of it.
    const size_t across = size_t(map.across);
    std::vector<float> rowWorst(size_t(map.cellsAcross));
    for (int cy = 0; cy < map.cellsDown; ++cy) {
        std::fill(rowWorst.begin(), rowWorst.end(), 2.0f);
        for (int wy : {cy - 1, cy}) {
            if (wy < 0 || wy >= map.down) continue;
            const float* w = map.windows.data() + size_t(wy) * across;
            for (size_t i = 0; i < across; ++i) {
                rowWorst[i] = std::min(rowWorst[i], w[i]);
                rowWorst[i + 1] = std::min(rowWorst[i + 1], w[i]);
            }
        }
        uint8_t* out = map.cells.data() + size_t(cy) * size_t(map.cellsAcross);
        for (size_t i = 0; i < rowWorst.size(); ++i) out[i] = LossByte(rowWorst[i]);
    }
    return map;
}

TLossMap MeasureLossMap(const platform::Surface& original, TStream& bytes, std::stop_token stop) {
    std::vector<float> windows;
    TQualityFigures figures = MeasureJpeg(original, bytes, &windows, std::move(stop));
    return MakeLossMap(original.Width(), original.Height(), figures, std::move(windows));
}

std::optional<TLossSpot> WorstSpotAwayFrom(const TLossMap& map, const std::vector<TLossSpot>& visited,
                                           double distance) {
    const bool one = map.width < kWindow || map.height < kWindow;
    auto centre = [&](size_t i) {
        if (one) return TLossSpot{map.width / 2.0, map.height / 2.0, map.windows[0]};
        return TLossSpot{double(i % size_t(map.across)) * kCell + kWindow / 2.0,
                         double(i / size_t(map.across)) * kCell + kWindow / 2.0, map.windows[i]};
    };
    auto away = [&](const TLossSpot& spot) {
        return std::all_of(visited.begin(), visited.end(), [&](const TLossSpot& v) {
            return std::hypot(spot.x - v.x, spot.y - v.y) >= distance;
        });
    };
    std::optional<TLossSpot> worst;
    for (size_t i = 0; i < map.windows.size(); ++i) {
        if (worst && map.windows[i] >= worst->ssim) continue;
        TLossSpot spot = centre(i);
        if (away(spot)) worst = spot;
    }
    return worst;
}

void PaintLoss(const TLossMap& map, platform::ZoomScale scale, int left, int top, uint8_t* first, ptrdiff_t stride,
               int width, int height) {
    static const std::array<Tint, 256> tints = MakeTints();
    if (map.cells.empty()) return;
    const std::vector<int> columns = CellsUnder(left, width, map.width, map.cellsAcross, scale);
    const std::vector<int> rows = CellsUnder(top, height, map.height, map.cellsDown, scale);
    for (int y = 0; y < height; ++y) {
        uint8_t* p = first + ptrdiff_t(y) * stride;
        const uint8_t* cells = map.cells.data() + size_t(rows[size_t(y)]) * size_t(map.cellsAcross);
        for (int x = 0; x < width; ++x, p += 3) {
            const Tint& tint = tints[cells[columns[size_t(x)]]];
            uint32_t grey = (7471u * p[0] + 38470u * p[1] + 19595u * p[2] + 32768u) >> 16;
            uint32_t keep = 256u - tint.weight;
            p[0] = uint8_t((grey * keep + 128) >> 8);
            p[1] = uint8_t((grey * keep + tint.green * tint.weight + 128) >> 8);
            p[2] = uint8_t((grey * keep + 255u * tint.weight + 128) >> 8);
        }
    }
}

}  // namespace zavo
