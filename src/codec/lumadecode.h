// The luma a JPEG file holds, decoded row by row as the window decodes the file (float DCT, full
// size) but without the colour: the Y plane of a colour file, the only plane of a gray one. The
// chroma is read past, never transformed.
#pragma once

#include <cstdint>

#include "base/streams.h"

namespace zavo {

// Receives the rows of one decode.
class TLumaSink {
public:
    // The picture's size, from the header, before any row.
    virtual void Begin(int width, int height) = 0;
    // Each row of width values, top down.
    virtual void Row(const uint8_t* values) = 0;

protected:
    ~TLumaSink() = default;
};

// Reads the file from the stream's position; the stream may make each read wait for bytes still
// being written. A file cut short decodes as far as it goes. Raises EJPEG when the library fails,
// and what the stream or the sink raise.
void DecodeLuma(TStream& bytes, TLumaSink& sink);

}  // namespace zavo
