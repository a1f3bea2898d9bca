// Small enhanced and Windows metafiles built in memory for the tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace zavotest {

inline void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

inline void SetU32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// An enhanced metafile whose frame is frameRight x frameBottom hundredths of a millimetre, for a
// reference device of the given pixels and millimetres.
class EmfBuilder {
public:
    explicit EmfBuilder(int32_t frameRight = 10000, int32_t frameBottom = 10000, int32_t devicePixels = 100,
                        int32_t deviceMm = 100) {
        PutU32(bytes_, 1);
        PutU32(bytes_, 108);
        for (int32_t v : {0, 0, devicePixels, devicePixels, 0, 0, frameRight, frameBottom}) PutU32(bytes_, v);
        PutU32(bytes_, 0x464D4520);
        PutU32(bytes_, 0x10000);
        PutU32(bytes_, 0);  // total bytes, set by Bytes()
        PutU32(bytes_, 0);  // record count
        PutU16(bytes_, 16);
        PutU16(bytes_, 0);
        for (int32_t v : {0, 0, 0, devicePixels, devicePixels, deviceMm, deviceMm, 0, 0, 0, deviceMm * 1000, deviceMm * 1000})
            PutU32(bytes_, v);
        records_ = 1;
    }

    // A record of 32-bit values.
    EmfBuilder& Add(uint32_t type, std::initializer_list<int64_t> values) {
        std::vector<uint8_t> body;
        for (int64_t v : values) PutU32(body, static_cast<uint32_t>(v));
        return AddRaw(type, body);
    }

    EmfBuilder& AddRaw(uint32_t type, const std::vector<uint8_t>& body) {
        PutU32(bytes_, type);
        PutU32(bytes_, static_cast<uint32_t>(8 + body.size()));
        bytes_.insert(bytes_.end(), body.begin(), body.end());
        ++records_;
        return *this;
    }

    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> out = bytes_;
        for (uint32_t v : {14u, 20u, 0u, 0u, 20u}) PutU32(out, v);
        SetU32(out, 48, static_cast<uint32_t>(out.size()));
        SetU32(out, 52, records_ + 1);
        return out;
    }

private:
    std::vector<uint8_t> bytes_;
    uint32_t records_ = 0;
};

// A Windows metafile with its placeable header: bounds in logical units, unitsPerInch.
class WmfBuilder {
public:
    WmfBuilder(int16_t left, int16_t top, int16_t right, int16_t bottom, uint16_t unitsPerInch = 96) {
        PutU32(bytes_, 0x9AC6CDD7);
        PutU16(bytes_, 0);
        for (int16_t v : {left, top, right, bottom}) PutU16(bytes_, static_cast<uint16_t>(v));
        PutU16(bytes_, unitsPerInch);
        PutU32(bytes_, 0);
        uint16_t checksum = 0;
        for (size_t i = 0; i < 20; i += 2) checksum ^= static_cast<uint16_t>(bytes_[i] | bytes_[i + 1] << 8);
        PutU16(bytes_, checksum);
        for (uint32_t v : {1u, 9u, 0x300u}) PutU16(bytes_, v);
        PutU32(bytes_, 0);
        PutU16(bytes_, 16);  // objects
        PutU32(bytes_, 0);
        PutU16(bytes_, 0);
    }

    // A record of 16-bit words (parameters in file order).
    WmfBuilder& Add(uint16_t function, std::initializer_list<int32_t> words) {
        std::vector<uint8_t> body;
        for (int32_t w : words) PutU16(body, static_cast<uint16_t>(w));
        return AddRaw(function, body);
    }

    WmfBuilder& AddRaw(uint16_t function, std::vector<uint8_t> body) {
        if (body.size() % 2) body.push_back(0);
        PutU32(bytes_, static_cast<uint32_t>(3 + body.size() / 2));
        PutU16(bytes_, function);
        bytes_.insert(bytes_.end(), body.begin(), body.end());
        return *this;
    }

    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> out = bytes_;
        PutU32(out, 3);
        PutU16(out, 0);
        SetU32(out, 22 + 6, static_cast<uint32_t>((out.size() - 22) / 2));
        return out;
    }

private:
    std::vector<uint8_t> bytes_;
};

// A packed 24-bit bottom-up bitmap (info header and pixels) from top-down rows of 0xRRGGBB.
inline std::vector<uint8_t> PackedDib24(int width, int height, const std::vector<uint32_t>& topDownRgb) {
    std::vector<uint8_t> out;
    for (uint32_t v : {40u, static_cast<uint32_t>(width), static_cast<uint32_t>(height)}) PutU32(out, v);
    PutU16(out, 1);
    PutU16(out, 24);
    for (int i = 0; i < 6; ++i) PutU32(out, 0);
    int row = (width * 3 + 3) / 4 * 4;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            uint32_t c = topDownRgb[y * width + x];
            out.push_back(static_cast<uint8_t>(c));
            out.push_back(static_cast<uint8_t>(c >> 8));
            out.push_back(static_cast<uint8_t>(c >> 16));
        }
        for (int p = width * 3; p < row; ++p) out.push_back(0);
    }
    return out;
}

}  // namespace zavotest
