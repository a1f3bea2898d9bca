#include "platform/rledecoder.h"

#include <cstring>

namespace zavo::platform {

namespace {

class RleWriter {
public:
    RleWriter(std::span<const uint32_t> colours, const RleTarget& target) : colours_(colours), t_(target) { Row(); }

    bool Finished() const { return y_ >= t_.height; }
    // Room left on the current row.
    int64_t Room() const { return static_cast<int64_t>(t_.width) - x_; }

    // The caller has checked that the pixel lies on the row (Room() > 0).
    void Put(uint8_t index) {
        const uint32_t colour = index < colours_.size() ? colours_[index] & 0xFFFFFFu : 0;
        std::memcpy(row_ + x_ * 4, &colour, 4);
        ++x_;
    }
    void EndOfLine() {
        x_ = 0;
        ++y_;
        Row();
    }
    // False when the move would leave the row; a move past the last row ends the picture.
    bool Move(int dx, int dy) {
        if (dx > Room()) return false;
        x_ += dx;
        y_ += dy;
        Row();
        return true;
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
            // Encoded run: one index repeated (RLE8) or two indices alternating (RLE4).
            if (count > out.Room()) return RleResult::Overrun;
            for (int k = 0; k < count; ++k)
                out.Put(four ? static_cast<uint8_t>((k & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        switch (value) {
            case 0: out.EndOfLine(); break;
            case 1: return RleResult::Complete;
            case 2: {
                if (data.size() - i < 2) return RleResult::DataEnded;
                if (!out.Move(data[i], data[i + 1])) return RleResult::Overrun;
                i += 2;
                break;
            }
            default: {
                // Absolute run of value indices, padded to a 16-bit boundary.
                const int n = value;
                const size_t bytes = four ? (static_cast<size_t>(n) + 1) / 2 : static_cast<size_t>(n);
                if (n > out.Room()) return RleResult::Overrun;
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
    return RleResult::Complete;
}

}  // namespace zavo::platform
