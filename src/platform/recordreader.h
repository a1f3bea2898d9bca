// Bounds-checked little-endian reading of metafile records. Every read past the end of the span
// raises MalformedRecord, which ends playback; nothing is ever read outside the span.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zavo::platform {

struct MalformedRecord {};

class RecordReader {
public:
    explicit RecordReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    size_t Size() const { return bytes_.size(); }
    size_t Position() const { return pos_; }
    size_t Remaining() const { return bytes_.size() - pos_; }
    void Seek(uint64_t pos) {
        if (pos > bytes_.size()) throw MalformedRecord{};
        pos_ = static_cast<size_t>(pos);
    }
    void Skip(uint64_t count) { Checked(count); }

    uint8_t U8() { return bytes_[Checked(1) - 1]; }
    uint16_t U16() {
        size_t p = Checked(2) - 2;
        return static_cast<uint16_t>(bytes_[p] | bytes_[p + 1] << 8);
    }
    int16_t I16() { return static_cast<int16_t>(U16()); }
    uint32_t U32() {
        size_t p = Checked(4) - 4;
        return static_cast<uint32_t>(bytes_[p]) | static_cast<uint32_t>(bytes_[p + 1]) << 8 |
               static_cast<uint32_t>(bytes_[p + 2]) << 16 | static_cast<uint32_t>(bytes_[p + 3]) << 24;
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    float F32() {
        uint32_t v = U32();
        float f;
        static_assert(sizeof f == sizeof v);
        __builtin_memcpy(&f, &v, sizeof f);
        return f;
    }

    // The next count bytes as a span, or MalformedRecord when fewer remain.
    std::span<const uint8_t> Bytes(uint64_t count) {
        size_t end = Checked(count);
        return bytes_.subspan(end - static_cast<size_t>(count), static_cast<size_t>(count));
    }
    // count bytes at offset from the start of the span.
    std::span<const uint8_t> BytesAt(uint64_t offset, uint64_t count) const {
        if (offset > bytes_.size() || count > bytes_.size() - offset) throw MalformedRecord{};
        return bytes_.subspan(static_cast<size_t>(offset), static_cast<size_t>(count));
    }

private:
    // The position after count more bytes, checked against the end.
    size_t Checked(uint64_t count) {
        if (count > Remaining()) throw MalformedRecord{};
        pos_ += static_cast<size_t>(count);
        return pos_;
    }

    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
};

}  // namespace zavo::platform
