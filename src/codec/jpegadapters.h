// The glue between the JPEG image object and libjpeg: the codec context one library run works in,
// its error manager and progress monitor, the stream source and destination managers and the
// memory limits the library is given.
//
// No C++ exception ever unwinds through the library's C frames. A fatal library error, or an
// exception raised inside one of our callbacks (a stream, a progress handler), leaves the library by
// longjmp to the small guarded function that called it; that function returns false, and the caller
// calls RaiseJpegFailure, which destroys the library object and throws EJPEG or the carried
// exception. Every frame a longjmp may skip keeps only trivially destructible locals.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>

#include <jpeglib.h>

#include "base/exceptions.h"
#include "base/streams.h"

namespace zavo {

class EJPEG : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// The rows decoded since the previous report; empty for compression.
struct JpegProgressRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The object told about the progress of a run. It may throw (EAbort cancels the run); the
// exception is carried past the library and rethrown by RaiseJpegFailure.
class JpegProgressOwner {
public:
    virtual void JpegProgress(int percent, bool redrawNow, const JpegProgressRect& rect) = 0;

protected:
    ~JpegProgressOwner() = default;
};

struct JpegContext;

struct JpegErrorManager {
    jpeg_error_mgr pub;  // first member: the library's pointer is a pointer to this record
    JpegContext* context;
};

struct JpegProgressMonitor {
    jpeg_progress_mgr pub;  // first member, as above
    JpegProgressOwner* owner;
    int32_t lastPercent;
    uint32_t lastTime;  // milliseconds; 0 until the first call of a run
    int32_t lastScanline;
    uint32_t (*tickCount)();
};

// One library run: created by the operation that runs the library, destroyed before it returns.
struct JpegContext {
    JpegContext();
    ~JpegContext();
    JpegContext(const JpegContext&) = delete;
    JpegContext& operator=(const JpegContext&) = delete;

    JpegErrorManager error;
    JpegProgressMonitor progress;
    J_DCT_METHOD finalDctMethod;
    bool finalTwoPass;
    J_DITHER_MODE finalDither;
    union {
        jpeg_compress_struct compress;
        jpeg_decompress_struct decompress;
    };
    std::jmp_buf jump;
    std::exception_ptr carried;

    j_common_ptr Common() { return reinterpret_cast<j_common_ptr>(&compress); }
    bool Exists() const { return compress.err != nullptr; }
};

// Milliseconds of a monotonic clock, never 0.
uint32_t JpegTickCount();

// Each of these returns false when the library failed; the caller then raises the failure
// (JpegRequire).
// Installs the error manager and creates the library object, whose sample and coefficient buffers
// may take no more than the picture limit, so a crafted header cannot make the library take more.
bool JpegCreateCompress(JpegContext& context, int version = JPEG_LIB_VERSION,
                        size_t structSize = sizeof(jpeg_compress_struct));
bool JpegCreateDecompress(JpegContext& context, int version = JPEG_LIB_VERSION,
                          size_t structSize = sizeof(jpeg_decompress_struct));
// Attaches a source reading stream from its current position, or a destination appending at it.
bool JpegAttachSource(JpegContext& context, TStream& stream);
bool JpegAttachDestination(JpegContext& context, TStream& stream);
// jpeg_read_header with an image required.
bool JpegReadHeader(JpegContext& context);
bool JpegFinishDecompress(JpegContext& context);

// Hooks the progress monitor to the library object (after creation).
void JpegInstallProgress(JpegContext& context, JpegProgressOwner* owner);

// Destroys the library object; a second call, or a call without one, does nothing.
void JpegDestroy(JpegContext& context);

// After a guarded call returned false: destroys the library object and gives the exception to
// throw: the one a callback carried out of the library, or EJPEG "JPEG エラー #%d" with the library's
// message code (EOutOfMemory when the library's heap ran dry).
std::exception_ptr JpegFailure(JpegContext& context);
[[noreturn]] void RaiseJpegFailure(JpegContext& context);
// Raises the failure when a guarded call returned false.
inline void JpegRequire(bool ok, JpegContext& context) {
    if (!ok) RaiseJpegFailure(context);
}

// The size of the source and destination buffers.
inline constexpr size_t kJpegBufferSize = 4096;

}  // namespace zavo
