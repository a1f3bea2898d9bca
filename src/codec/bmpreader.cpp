#include "codec/bmpreader.h"

#include "base/exceptions.h"
#include "codec/bitmap.h"

namespace zavo {

// Until the file reader lands: no bytes give an empty bitmap, anything else is refused.
void ReadBitmapFile(TBitmap& bitmap, TStream&, int64_t size) {
    if (size > 0) throw EInvalidGraphic(msg::InvalidBitmap);
    bitmap.AssignFrom(nullptr);
}

}  // namespace zavo
