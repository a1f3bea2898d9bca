// The libjpeg sequences the JPEG image runs, each a guarded call as the adapters describe: its
// setjmp lives in its own small frame with trivially destructible locals only, and it returns false
// when the library left by the error exit (the caller then raises the failure with JpegRequire).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "codec/jpegadapters.h"
#include "platform/palette.h"

namespace zavo {

struct TMetadata;

struct JpegCompressSettings {
    int quality;
    bool gray;
    bool progressive;
};

// Defaults, floating-point DCT, the quality with baseline tables, gray output and progression.
bool JpegConfigureCompression(JpegContext& c, const JpegCompressSettings& s);
// Starts the compressor, writes every row (rowsPerCall at a time) and finishes.
// The metadata, when given, is written behind the JFIF header.
bool JpegCompressImage(JpegContext& c, JSAMPROW* rows, JDIMENSION rowsPerCall, const TMetadata* metadata);
bool JpegStartCompress(JpegContext& c, const TMetadata* metadata);
// Writes up to count rows from rows.
bool JpegWriteRows(JpegContext& c, JSAMPROW* rows, JDIMENSION count);
bool JpegFinishCompress(JpegContext& c);

struct JpegHeaderFacts {
    JDIMENSION width;
    JDIMENSION height;
    bool gray;
    bool multipleScans;
};

// jpeg_read_header with an image required, and what it tells.
bool JpegReadHeaderFacts(JpegContext& c, JpegHeaderFacts* facts);

struct JpegDecodeSettings {
    uint8_t scale;
    bool blockSmoothing;
    bool gray;
    bool depth8;
    bool fast;
    bool showProgressively;
};

// Sets every decoding parameter, and remembers in the context the ones a buffered-image decode
// changes for its early scans and restores for the last.
bool JpegConfigureDecoder(JpegContext& c, const JpegDecodeSettings& s);
bool JpegCalcOutputDimensions(JpegContext& c);
// Gives the decoder a fixed colour map from the palette's first 256 entries.
bool JpegColormapFromPalette(JpegContext& c, const platform::Palette& palette);
bool JpegStartDecompress(JpegContext& c);
bool JpegConsumeInput(JpegContext& c, int* status);
// Starts an output pass over the scans read so far.
bool JpegStartOutput(JpegContext& c);
// Reads every row of the output pass into rows, rowsPerCall at a time.
bool JpegReadAllRows(JpegContext& c, JSAMPROW* rows, JDIMENSION rowsPerCall);
bool JpegFinishOutput(JpegContext& c);

// What one part decode reads: the columns and rows the library decodes (the part with its margin)
// and the part itself, whose blue-green-red pixels are copied to at, rows stride bytes apart.
struct JpegPartRead {
    JDIMENSION decodeLeft;
    JDIMENSION decodeWidth;
    JDIMENSION decodeTop;
    JDIMENSION decodeBottom;
    int left;
    int top;
    int right;
    int bottom;
    uint8_t* at;
    ptrdiff_t stride;
    // When set, takes each row of the part (its index and first pixel) instead of at.
    const std::function<void(int row, const uint8_t* pixels)>* sink;
};

// After the decoder has started: crops, skips and reads the rows of the part.
bool JpegReadPart(JpegContext& c, JpegPartRead* p);

// The palette of the decoder's colour map (gray or blue-green-red), at most 256 entries.
platform::PaletteHandle JpegPaletteFromColormap(j_decompress_ptr d);

}  // namespace zavo
