#include "codec/keptpicture.h"

namespace zavo {

TKeptPicture::TKeptPicture(TBitmap* bitmap) : bitmap_(std::make_unique<TBitmap>()) {
    bitmap_->AssignFrom(bitmap);
}

TKeptPicture::~TKeptPicture() { owner_.Check(); }

TBitmap& TKeptPicture::Bitmap() {
    owner_.Check();
    return *bitmap_;
}

}  // namespace zavo
