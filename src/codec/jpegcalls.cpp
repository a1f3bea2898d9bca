#include "codec/jpegcalls.h"

#include <algorithm>
#include <vector>

#include "codec/jpegmarkers.h"

namespace zavo {

namespace {

// The decoder writes blue-green-red pixels (JCS_EXT_BGR); its colour maps follow that order.
constexpr int kMapBlue = 0;
constexpr int kMapGreen = 1;
constexpr int kMapRed = 2;

}  // namespace

bool JpegConfigureCompression(JpegContext& c, const JpegCompressSettings& s) {
    if (setjmp(c.jump)) return false;
    jpeg_set_defaults(&c.compress);
    c.compress.dct_method = JDCT_FLOAT;
    jpeg_set_quality(&c.compress, s.quality, TRUE);
    if (s.gray) jpeg_set_colorspace(&c.compress, JCS_GRAYSCALE);
    if (s.progressive) jpeg_simple_progression(&c.compress);
    return true;
}

bool JpegCompressImage(JpegContext& c, JSAMPROW* rows, JDIMENSION rowsPerCall, const TMetadata* metadata) {
    if (setjmp(c.jump)) return false;
    jpeg_start_compress(&c.compress, TRUE);
    JpegWriteMetadata(&c.compress, metadata);
    while (c.compress.next_scanline < c.compress.image_height) {
        JDIMENSION left = c.compress.image_height - c.compress.next_scanline;
        jpeg_write_scanlines(&c.compress, rows + c.compress.next_scanline, std::min(rowsPerCall, left));
    }
    jpeg_finish_compress(&c.compress);
    return true;
}

bool JpegStartCompress(JpegContext& c, const TMetadata* metadata) {
    if (setjmp(c.jump)) return false;
    jpeg_start_compress(&c.compress, TRUE);
    JpegWriteMetadata(&c.compress, metadata);
    return true;
}

bool JpegWriteRows(JpegContext& c, JSAMPROW* rows, JDIMENSION count) {
    if (setjmp(c.jump)) return false;
    jpeg_write_scanlines(&c.compress, rows, count);
    return true;
}

bool JpegFinishCompress(JpegContext& c) {
    if (setjmp(c.jump)) return false;
    jpeg_finish_compress(&c.compress);
    return true;
}

bool JpegReadHeaderFacts(JpegContext& c, JpegHeaderFacts* facts) {
    if (setjmp(c.jump)) return false;
    jpeg_read_header(&c.decompress, TRUE);
    facts->width = c.decompress.image_width;
    facts->height = c.decompress.image_height;
    facts->gray = c.decompress.jpeg_color_space == JCS_GRAYSCALE;
    facts->multipleScans = jpeg_has_multiple_scans(&c.decompress);
    return true;
}

bool JpegConfigureDecoder(JpegContext& c, const JpegDecodeSettings& s) {
    if (setjmp(c.jump)) return false;
    j_decompress_ptr d = &c.decompress;
    d->scale_num = 1;
    // The library goes no smaller than 1/8; the cap only keeps the shift defined.
    d->scale_denom = 1u << std::min<unsigned>(s.scale, 16);
    d->do_block_smoothing = s.blockSmoothing;
    if (d->out_color_space != JCS_GRAYSCALE) d->out_color_space = JCS_EXT_BGR;
    if (s.gray) d->out_color_space = JCS_GRAYSCALE;
    if (s.depth8 || d->out_color_space == JCS_GRAYSCALE) {
        d->quantize_colors = TRUE;
        d->desired_number_of_colors = 236;
    }
    if (s.fast) {
        d->dct_method = JDCT_IFAST;
        d->two_pass_quantize = FALSE;
        d->dither_mode = JDITHER_ORDERED;
    } else {
        d->dct_method = JDCT_FLOAT;
    }
    c.finalDctMethod = d->dct_method;
    c.finalTwoPass = d->two_pass_quantize != 0;
    c.finalDither = d->dither_mode;
    if (s.showProgressively && jpeg_has_multiple_scans(d)) {
        d->enable_2pass_quant = d->two_pass_quantize;
        d->dct_method = JDCT_IFAST;
        d->two_pass_quantize = FALSE;
        d->dither_mode = JDITHER_ORDERED;
        d->buffered_image = TRUE;
    }
    return true;
}

bool JpegCalcOutputDimensions(JpegContext& c) {
    if (setjmp(c.jump)) return false;
    jpeg_calc_output_dimensions(&c.decompress);
    return true;
}

bool JpegColormapFromPalette(JpegContext& c, const platform::Palette& palette) {
    if (setjmp(c.jump)) return false;
    int n = std::min(palette.Count(), 256);
    if (n == 0) return true;
    j_decompress_ptr d = &c.decompress;
    JSAMPARRAY map = (*d->mem->alloc_sarray)(c.Common(), JPOOL_IMAGE, static_cast<JDIMENSION>(n), 3);
    for (int i = 0; i < n; ++i) {
        const platform::PaletteEntry& e = palette.Entries()[static_cast<size_t>(i)];
        map[kMapRed][i] = e.red;
        map[kMapGreen][i] = e.green;
        map[kMapBlue][i] = e.blue;
    }
    d->colormap = map;
    d->actual_number_of_colors = n;
    return true;
}

bool JpegStartDecompress(JpegContext& c) {
    if (setjmp(c.jump)) return false;
    jpeg_start_decompress(&c.decompress);
    return true;
}

bool JpegConsumeInput(JpegContext& c, int* status) {
    if (setjmp(c.jump)) return false;
    *status = jpeg_consume_input(&c.decompress);
    return true;
}

bool JpegStartOutput(JpegContext& c) {
    if (setjmp(c.jump)) return false;
    jpeg_start_output(&c.decompress, c.decompress.input_scan_number);
    return true;
}

bool JpegReadAllRows(JpegContext& c, JSAMPROW* rows, JDIMENSION rowsPerCall) {
    if (setjmp(c.jump)) return false;
    j_decompress_ptr d = &c.decompress;
    while (d->output_scanline < d->output_height) {
        JDIMENSION left = d->output_height - d->output_scanline;
        jpeg_read_scanlines(d, rows + d->output_scanline, std::min(rowsPerCall, left));
    }
    return true;
}

bool JpegFinishOutput(JpegContext& c) {
    if (setjmp(c.jump)) return false;
    jpeg_finish_output(&c.decompress);
    return true;
}

bool JpegReadPart(JpegContext& c, JpegPartRead* p) {
    if (setjmp(c.jump)) return false;
    j_decompress_ptr d = &c.decompress;
    JDIMENSION xoffset = p->decodeLeft;
    JDIMENSION width = p->decodeWidth;
    // The library widens the columns to whole blocks; xoffset comes back as the first one decoded.
    jpeg_crop_scanline(d, &xoffset, &width);
    if (p->decodeTop > 0) jpeg_skip_scanlines(d, p->decodeTop);
    JSAMPARRAY line = (*d->mem->alloc_sarray)(c.Common(), JPOOL_IMAGE, d->output_width * 3, 1);
    while (d->output_scanline < p->decodeBottom) {
        auto y = static_cast<int>(d->output_scanline);
        jpeg_read_scanlines(d, line, 1);
        if (y < p->top || y >= p->bottom) continue;
        const JSAMPLE* from = line[0] + (static_cast<size_t>(p->left) - xoffset) * 3;
        if (p->sink) {
            (*p->sink)(y, from);
            continue;
        }
        std::copy_n(from, static_cast<size_t>(p->right - p->left) * 3, p->at + p->stride * (y - p->top));
    }
    return true;
}

platform::PaletteHandle JpegPaletteFromColormap(j_decompress_ptr d) {
    int n = std::clamp(d->actual_number_of_colors, 0, 256);
    std::vector<platform::PaletteEntry> entries(static_cast<size_t>(n));
    bool gray = d->out_color_components == 1;
    for (int i = 0; i < n; ++i) {
        platform::PaletteEntry& e = entries[static_cast<size_t>(i)];
        if (gray) {
            e.red = e.green = e.blue = d->colormap[0][i];
        } else {
            e.red = d->colormap[kMapRed][i];
            e.green = d->colormap[kMapGreen][i];
            e.blue = d->colormap[kMapBlue][i];
        }
    }
    return std::make_shared<const platform::Palette>(std::move(entries));
}

}  // namespace zavo
