// A bounds-checked reader over a span of untrusted bytes. Every header field of a file is read
// through one of these; reading past the end raises EReadError instead of touching foreign memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/exceptions.h"

namespace zavo {

class ByteCursor {
public:
    ByteCursor() = default;
    ByteCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit ByteCursor(std::span<const uint8_t> bytes) : data_(bytes.data()), size_(bytes.size()) {}

    size_t Size() const { return size_; }
    size_t Position() const { return pos_; }
    size_t Remaining() const { return size_ - pos_; }
    bool Has(uint64_t count) const { return count <= Remaining(); }

    void Seek(uint64_t pos) {
        if (pos > size_) throw EReadError(msg::ReadError);
        pos_ = static_cast<size_t>(pos);
    }
    void Skip(uint64_t count) {
        Need(count);
        pos_ += static_cast<size_t>(count);
    }

    uint8_t U8() {
        Need(1);
        return data_[pos_++];
    }
    uint16_t U16le() {
        Need(2);
        uint16_t v = static_cast<uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    uint32_t U32le() {
        Need(4);
        uint32_t v = static_cast<uint32_t>(data_[pos_]) | static_cast<uint32_t>(data_[pos_ + 1]) << 8 |
                     static_cast<uint32_t>(data_[pos_ + 2]) << 16 | static_cast<uint32_t>(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return v;
    }
    int16_t I16le() { return static_cast<int16_t>(U16le()); }
    int32_t I32le() { return static_cast<int32_t>(U32le()); }

    // The next count bytes, consumed.
    std::span<const uint8_t> Bytes(uint64_t count) {
        Need(count);
        std::span<const uint8_t> s(data_ + pos_, static_cast<size_t>(count));
        pos_ += static_cast<size_t>(count);
        return s;
    }

private:
    void Need(uint64_t count) const {
        if (!Has(count)) throw EReadError(msg::ReadError);
    }

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
};

}  // namespace zavo
