// A picture kept alive for work that reads it beside the user-interface thread.
//
// A bitmap's pixels are shared by reference count (TSharedImage), whose count is a plain integer
// and whose last owner frees the pixels into its own thread's spare memory. So the bitmap that keeps
// the pixels alive is made and dropped on the thread that owns the picture (the user-interface
// thread); a worker is given only the pixel memory, read-only. Dropping a kept picture on another
// thread is caught by an assertion in debug builds.
#pragma once

#include <memory>

#include "base/threadaffinity.h"
#include "codec/bitmap.h"

namespace zavo {

class TKeptPicture {
public:
    // Shares bitmap's pixels; copies nothing.
    explicit TKeptPicture(TBitmap* bitmap);
    ~TKeptPicture();
    TKeptPicture(const TKeptPicture&) = delete;
    TKeptPicture& operator=(const TKeptPicture&) = delete;

    // The keeping bitmap, for changes made before any worker reads the pixels (a change of pixel
    // format gives it pixels of its own). On the owner thread only.
    TBitmap& Bitmap();
    // The pixel memory, or null for a bitmap without pixels; readable on any thread while this
    // object lives.
    const platform::Surface* Pixels() const { return bitmap_->Image().Handle(); }

private:
    TThreadAffinity owner_;
    std::unique_ptr<TBitmap> bitmap_;
};

}  // namespace zavo
