#include "platform/rledecoder.h"

#include <algorithm>
#include <cstring>

namespace zavo::platform {

namespace {

class RleWriter {
public:
    RleWriter(std::span<const uint32_t> colours, const RleTarget& target) : colours_(colours), t_(target) { Row(); }

    bool Finished() const { return y_ >= t_.height; }
    // Room left on the current row.
    int64_t Room() const { return static_cast<int64_t>(t_.width) - x_; }

    bool Clipped() const { return clipped_; }
    void Drop() { clipped_ = true; }

    // A pixel past the row end is dropped; the row's later pixels are dropped with it.
    void Put(uint8_t index) {
        if (Room() <= 0) return Drop();
        const uint32_t colour = index < colours_.size() ? colours_[index] & 0xFFFFFFu : 0;
        std::memcpy(row_ + x_ * 4, &colour, 4);
        ++x_;
    }
    void EndOfLine() {
        x_ = 0;
        ++y_;
        Row();
    }
    // A move past the row end stops at it; a move past the last row ends the picture.
    void Move(int dx, int dy) {
        if (dx > Room()) Drop();
        x_ = std::min<int64_t>(x_ + dx, t_.width);
        y_ += dy;
        Row();
    }

private:
    // Rows are stored bottom-up in the data and top-down in the surface.
    void Row() {
        if (!Finished()) row_ = t_.pixels + static_cast<ptrdiff_t>(t_.height - 1 - y_) * t_.stride;
    }

    std::span<const uint32_t> colours_;
    RleTarget t_;
    uint8_t* row_ = nullptr;
    int64_t x_ = 0;
    int64_t y_ = 0;
    bool clipped_ = false;
};

}  // namespace

RleResult DecodeRle(std::span<const uint8_t> data, RleKind kind, std::span<const uint32_t> colours,
                    const RleTarget& target) {
    if (target.width <= 0 || target.height <= 0) return RleResult::Complete;
    RleWriter out(colours, target);
    const bool four = kind == RleKind::Rle4;
    size_t i = 0;
    while (!out.Finished()) {
        if (data.size() - i < 2) return RleResult::DataEnded;
        const int count = data[i];
        const uint8_t value = data[i + 1];
        i += 2;
        if (count > 0) {
            // Encoded run: one index repeated (RLE8) or two indices alternating (RLE4). Writers
            // pad rows with runs past the row end, so the part past it is dropped, without a
            // loop over it, and decoding goes on.
            const int64_t fit = std::min<int64_t>(count, out.Room());
            for (int k = 0; k < fit; ++k)
                out.Put(four ? static_cast<uint8_t>((k & 1) ? value & 0x0F : value >> 4) : value);
            if (fit < count) out.Drop();
            continue;
        }
        switch (value) {
            case 0: out.EndOfLine(); break;
            case 1: return out.Clipped() ? RleResult::Overrun : RleResult::Complete;
            case 2: {
                if (data.size() - i < 2) return RleResult::DataEnded;
                out.Move(data[i], data[i + 1]);
                i += 2;
                break;
            }
            default: {
                // Absolute run of value indices, padded to a 16-bit boundary.
                const int n = value;
                const size_t bytes = four ? (static_cast<size_t>(n) + 1) / 2 : static_cast<size_t>(n);
                for (int k = 0; k < n; ++k) {
                    const size_t at = i + (four ? static_cast<size_t>(k) / 2 : static_cast<size_t>(k));
                    if (at >= data.size()) return RleResult::DataEnded;
                    out.Put(four ? static_cast<uint8_t>((k & 1) ? data[at] & 0x0F : data[at] >> 4) : data[at]);
                }
                i += bytes + (bytes & 1);
                if (i > data.size()) return out.Finished() ? RleResult::Complete : RleResult::DataEnded;
                break;
            }
        }
    }
    return out.Clipped() ? RleResult::Overrun : RleResult::Complete;
}

}  // namespace zavo::platform
