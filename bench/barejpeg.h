// The bare libjpeg-turbo loops the benchmarks compare the program with: compress and decode with
// the program's parameters (float DCT, baseline tables, blue-green-red rows one at a time), and the
// photographs of the photos target ($ZAVO_PHOTOS, else the build's own photos folder).
#pragma once

#include <jpeglib.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace barejpeg {

inline constexpr int kQuality = 80;

inline std::string PhotoPath(const std::string& name) {
    const char* dir = std::getenv("ZAVO_PHOTOS");
    return std::string(dir != nullptr && *dir != '\0' ? dir : ZAVO_PHOTOS_DEFAULT) + "/" + name;
}

// In one read, as the program reads a file; empty when it cannot be read.
inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) return {};
    return bytes;
}

// A picture in the layout of a 24-bit bottom-up bitmap: blue-green-red, rows padded to 4 bytes. The
// memory is left as the allocator gives it, as a bare loop would.
struct Picture {
    int width = 0;
    int height = 0;
    size_t stride = 0;
    std::unique_ptr<uint8_t[]> pixels;
    uint8_t* Row(int y) { return pixels.get() + static_cast<size_t>(height - 1 - y) * stride; }
};

inline void BareDecode(const std::vector<uint8_t>& jpeg, Picture& out) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    cinfo.dct_method = JDCT_FLOAT;
    jpeg_start_decompress(&cinfo);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.stride = (static_cast<size_t>(out.width) * 3 + 3) / 4 * 4;
    out.pixels.reset(new uint8_t[out.stride * out.height]);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.Row(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

// Rows of the given pixel layout: 3 components blue-green-red by default, bottom-up.
inline std::vector<uint8_t> BareCompress(Picture& picture, int components = 3, J_COLOR_SPACE space = JCS_EXT_BGR,
                                         bool topDown = false) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width);
    cinfo.image_height = static_cast<JDIMENSION>(picture.height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    cinfo.dct_method = JDCT_FLOAT;
    jpeg_set_quality(&cinfo, kQuality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = topDown ? picture.pixels.get() + cinfo.next_scanline * picture.stride
                               : picture.Row(static_cast<int>(cinfo.next_scanline));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

}  // namespace barejpeg
