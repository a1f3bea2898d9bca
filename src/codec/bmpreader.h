// The bitmap file reader behind TBitmap::LoadStream.
#pragma once

#include <cstdint>

namespace zavo {

class TBitmap;
class TStream;

// Reads a bitmap file of size bytes from the stream's position into the bitmap.
void ReadBitmapFile(TBitmap& bitmap, TStream& stream, int64_t size);

}  // namespace zavo
