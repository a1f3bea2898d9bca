// The metadata segments of a JPEG file on their way through libjpeg: saved while a header is read,
// and written behind the JFIF header of a compression.
#pragma once

#include <memory>

#include "codec/jpegadapters.h"
#include "codec/metadata.h"

namespace zavo {

// Asks the decompressor to keep every APPn and COM segment it reads; before jpeg_read_header.
bool JpegSaveMarkers(JpegContext& context);

// The segments kept while the header was read, at most kMaxMetadataBytes of them, and the colour
// profile they carry; null when there were none.
std::shared_ptr<const TMetadata> JpegCollectMarkers(JpegContext& context);

// Writes the profile (in the library's chunks) and every segment; between jpeg_start_compress and
// the first row. Called inside the caller's guarded frame: it keeps no locals that need destroying.
void JpegWriteMetadata(j_compress_ptr compress, const TMetadata* metadata);

}  // namespace zavo
