// JPEG bytes and pixels for the JPEG tests, made by calling libjpeg directly, independently of the
// adapters and the image object under test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "base/streams.h"

namespace zavotest {

// Top-down, packed pixels of three components in red-green-blue order: smooth gradients with a
// sharp-edged square, so every quantisation table entry matters.
inline std::vector<uint8_t> RgbPattern(int width, int height) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            bool square = x > width / 4 && x < width / 2 && y > height / 4 && y < height / 2;
            p[0] = static_cast<uint8_t>(square ? 250 : x * 255 / (width > 1 ? width - 1 : 1));
            p[1] = static_cast<uint8_t>(square ? 20 : y * 255 / (height > 1 ? height - 1 : 1));
            p[2] = static_cast<uint8_t>((x * 7 + y * 13) & 0xFF);
        }
    return rgb;
}

struct ReferenceOptions {
    int quality = 90;
    bool gray = false;
    bool progressive = false;
    J_DCT_METHOD dct = JDCT_FLOAT;
};

// Encodes top-down red-green-blue pixels the plain way: defaults, the DCT method, quality with
// baseline tables, and the grayscale and progressive options.
inline std::vector<uint8_t> EncodeReference(const std::vector<uint8_t>& rgb, int width, int height,
                                            const ReferenceOptions& options = {}) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    cinfo.dct_method = options.dct;
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (options.gray) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    if (options.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(&rgb[static_cast<size_t>(cinfo.next_scanline) * width * 3]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

// Decodes JPEG bytes the plain way into top-down pixels of the given colour space.
inline std::vector<uint8_t> DecodeReference(const std::vector<uint8_t>& bytes, int& width, int& height,
                                            J_COLOR_SPACE space = JCS_RGB) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = space;
    cinfo.dct_method = JDCT_FLOAT;
    jpeg_start_decompress(&cinfo);
    width = static_cast<int>(cinfo.output_width);
    height = static_cast<int>(cinfo.output_height);
    size_t stride = static_cast<size_t>(width) * cinfo.output_components;
    std::vector<uint8_t> pixels(stride * height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &pixels[cinfo.output_scanline * stride];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return pixels;
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void FillStream(zavo::TMemoryStream& stream, const std::vector<uint8_t>& bytes, size_t count) {
    stream.Clear();
    if (count > 0) stream.WriteBuffer(bytes.data(), static_cast<int64_t>(count));
    stream.SetPosition(0);
}

inline void FillStream(zavo::TMemoryStream& stream, const std::vector<uint8_t>& bytes) {
    FillStream(stream, bytes, bytes.size());
}

inline std::vector<uint8_t> StreamBytes(zavo::TMemoryStream& stream) {
    const uint8_t* p = stream.Memory();
    return std::vector<uint8_t>(p, p + stream.Size());
}

// Offset of the first header segment with the marker code, walking the segments from the start of
// the file up to the first scan; the size of the bytes when there is none.
inline size_t FindMarker(const std::vector<uint8_t>& bytes, uint8_t code) {
    size_t pos = 2;
    while (pos + 4 <= bytes.size() && bytes[pos] == 0xFF) {
        if (bytes[pos + 1] == code) return pos;
        if (bytes[pos + 1] == 0xDA) break;
        pos += 2 + (static_cast<size_t>(bytes[pos + 2]) << 8 | bytes[pos + 3]);
    }
    return bytes.size();
}

}  // namespace zavotest
