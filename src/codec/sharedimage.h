// The reference-counted record behind the pixels of a bitmap and the bytes of a JPEG image, so that
// copies share the data instead of duplicating it.
#pragma once

#include <cstdint>

namespace zavo {

class TSharedImage {
public:
    TSharedImage() = default;
    TSharedImage(const TSharedImage&) = delete;
    TSharedImage& operator=(const TSharedImage&) = delete;

    // Number of owners; 0 when the record is created, and its creator calls AddRef at once.
    int32_t RefCount() const { return refCount_; }
    void AddRef() { ++refCount_; }
    // Releases one owner's reference (nothing for null); the last one runs FreeHandles and destroys
    // the record.
    static void DropRef(TSharedImage* image);

    virtual void FreeHandles() = 0;

protected:
    virtual ~TSharedImage() = default;

private:
    int32_t refCount_ = 0;
};

}  // namespace zavo
