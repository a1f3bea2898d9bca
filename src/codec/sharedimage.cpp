#include "codec/sharedimage.h"

namespace zavo {

void TSharedImage::DropRef(TSharedImage* image) {
    if (!image) return;
    if (image->refCount_-- == 1) {
        image->FreeHandles();
        delete image;
    }
}

}  // namespace zavo
