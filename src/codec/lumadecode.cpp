#include "codec/lumadecode.h"

#include <vector>

#include "codec/jpegadapters.h"

namespace zavo {

namespace {

// The libjpeg sequences, each with its setjmp in its own frame and trivially destructible locals
// only; false when the library left by the error exit.

bool StartLuma(JpegContext& c) {
    if (setjmp(c.jump)) return false;
    j_decompress_ptr d = &c.decompress;
    d->out_color_space = JCS_GRAYSCALE;
    d->dct_method = JDCT_FLOAT;
    d->do_block_smoothing = TRUE;
    jpeg_start_decompress(d);
    return true;
}

bool ReadLumaRows(JpegContext& c, JSAMPROW* rows, JDIMENSION count, JDIMENSION* read) {
    if (setjmp(c.jump)) return false;
    *read = jpeg_read_scanlines(&c.decompress, rows, count);
    return true;
}

}  // namespace

void DecodeLuma(TStream& bytes, TLumaSink& sink) {
    JpegContext c;
    JpegRequire(JpegCreateDecompress(c), c);
    JpegRequire(JpegAttachSource(c, bytes), c);
    JpegRequire(JpegReadHeader(c), c);
    j_decompress_ptr d = &c.decompress;
    sink.Begin(static_cast<int>(d->image_width), static_cast<int>(d->image_height));
    JpegRequire(StartLuma(c), c);
    const size_t width = d->output_width;
    const auto perCall = static_cast<JDIMENSION>(d->rec_outbuf_height > 0 ? d->rec_outbuf_height : 1);
    std::vector<uint8_t> buffer(width * perCall);
    std::vector<JSAMPROW> rows(perCall);
    for (JDIMENSION i = 0; i < perCall; ++i) rows[i] = buffer.data() + i * width;
    while (d->output_scanline < d->output_height) {
        JDIMENSION read = 0;
        JpegRequire(ReadLumaRows(c, rows.data(), perCall, &read), c);
        for (JDIMENSION i = 0; i < read; ++i) sink.Row(rows[i]);
    }
    JpegRequire(JpegFinishDecompress(c), c);
}

}  // namespace zavo
