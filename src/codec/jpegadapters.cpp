#include "codec/jpegadapters.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include <jerror.h>

#include "base/format.h"
#include "platform/bitmapinfo.h"

namespace zavo {

namespace {

JpegContext* ContextOf(j_common_ptr cinfo) {
    return reinterpret_cast<JpegErrorManager*>(cinfo->err)->context;
}

// Leaves the library for the guarded call; the caller raises the failure.
[[noreturn]] void Leave(j_common_ptr cinfo) { std::longjmp(ContextOf(cinfo)->jump, 1); }

void ErrorExit(j_common_ptr cinfo) { Leave(cinfo); }

// Warnings and trace messages are neither shown, counted nor formatted.
void EmitMessage(j_common_ptr, int) {}
void OutputMessage(j_common_ptr) {}
void FormatMessage(j_common_ptr, char* buffer) { buffer[0] = '\0'; }

void ResetErrorManager(j_common_ptr cinfo) {
    cinfo->err->msg_code = 0;
    cinfo->err->num_warnings = 0;
}

void InstallErrorManager(JpegContext& context) {
    jpeg_error_mgr& err = context.error.pub;
    err.error_exit = ErrorExit;
    err.emit_message = EmitMessage;
    err.output_message = OutputMessage;
    err.format_message = FormatMessage;
    err.reset_error_mgr = ResetErrorManager;
    context.error.context = &context;
    context.compress.err = &err;
}

// Stream calls made from inside the library. An exception is caught here, in a frame that has
// returned before the jump, and carried; -1 tells the caller to leave the library.
int64_t ReadStream(j_common_ptr cinfo, TStream& stream, void* buffer, int64_t count) {
    try {
        return std::clamp<int64_t>(stream.Read(buffer, count), 0, count);
    } catch (...) {
        ContextOf(cinfo)->carried = std::current_exception();
        return -1;
    }
}

int64_t WriteStream(j_common_ptr cinfo, TStream& stream, const void* buffer, int64_t count) {
    try {
        return stream.Write(buffer, count);
    } catch (...) {
        ContextOf(cinfo)->carried = std::current_exception();
        return -1;
    }
}

struct SourceManager {
    jpeg_source_mgr pub;
    TStream* stream;
    JOCTET buffer[kJpegBufferSize];
    bool startOfFile;
};

void InitSource(j_decompress_ptr cinfo) { reinterpret_cast<SourceManager*>(cinfo->src)->startOfFile = true; }

// Never suspends. After the last real byte the library is fed end-of-image markers, so a cut file
// decodes as far as it goes.
boolean FillInputBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
    auto common = reinterpret_cast<j_common_ptr>(cinfo);
    int64_t count = ReadStream(common, *src->stream, src->buffer, kJpegBufferSize);
    if (count < 0) Leave(common);
    if (count == 0) {
        if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        count = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = static_cast<size_t>(count);
    src->startOfFile = false;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* src = cinfo->src;
    while (static_cast<unsigned long>(count) > src->bytes_in_buffer) {
        count -= static_cast<long>(src->bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

struct DestinationManager {
    jpeg_destination_mgr pub;
    TStream* stream;
    JOCTET* buffer;
};

void InitDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<DestinationManager*>(cinfo->dest);
    dest->buffer = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kJpegBufferSize));
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kJpegBufferSize;
}

void WriteOut(j_compress_ptr cinfo, size_t count) {
    auto* dest = reinterpret_cast<DestinationManager*>(cinfo->dest);
    auto common = reinterpret_cast<j_common_ptr>(cinfo);
    int64_t written = WriteStream(common, *dest->stream, dest->buffer, static_cast<int64_t>(count));
    if (written < 0) Leave(common);
    if (written != static_cast<int64_t>(count)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    WriteOut(cinfo, kJpegBufferSize);
    auto* dest = reinterpret_cast<DestinationManager*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kJpegBufferSize;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    size_t pending = kJpegBufferSize - cinfo->dest->free_in_buffer;
    if (pending != 0) WriteOut(cinfo, pending);
}

void ReportToOwner(j_common_ptr cinfo, JpegProgressOwner& owner, int percent, bool redraw,
                   const JpegProgressRect& rect) {
    try {
        owner.JpegProgress(percent, redraw, rect);
    } catch (...) {
        ContextOf(cinfo)->carried = std::current_exception();
    }
}

void ProgressMonitor(j_common_ptr cinfo) {
    auto* monitor = reinterpret_cast<JpegProgressMonitor*>(cinfo->progress);
    if (monitor == nullptr || monitor->owner == nullptr) return;
    uint32_t now = monitor->tickCount();
    if (now - monitor->lastTime < 500) return;
    uint32_t previous = monitor->lastTime;
    monitor->lastTime = now;
    if (previous == 0) return;

    JpegProgressRect rect;
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (cinfo->is_decompressor) {
        rect.top = monitor->lastScanline;
        rect.right = static_cast<int>(dinfo->output_width);
        rect.bottom = static_cast<int>(dinfo->output_scanline);
        if (rect.bottom < rect.top) rect.bottom = static_cast<int>(dinfo->output_height);
    }
    const jpeg_progress_mgr& pub = monitor->pub;
    double passFraction = pub.pass_limit > 0 ? static_cast<double>(pub.pass_counter) / pub.pass_limit : 0.0;
    double passes = pub.total_passes > 0 ? pub.total_passes : 1.0;
    double done = std::clamp((passFraction + pub.completed_passes) * 100.0 / passes, 0.0, 100.0);
    int percent = static_cast<int>(done);
    if (percent == monitor->lastPercent) return;
    monitor->lastPercent = percent;
    if (cinfo->is_decompressor) monitor->lastScanline = static_cast<int32_t>(dinfo->output_scanline);

    JpegContext* context = ContextOf(cinfo);
    ReportToOwner(cinfo, *monitor->owner, percent, rect.bottom - rect.top >= 4, rect);
    if (context->carried) Leave(cinfo);
}

void LimitMemory(j_common_ptr cinfo) { cinfo->mem->max_memory_to_use = platform::kMaxPictureBytes; }

}  // namespace

JpegContext::JpegContext() {
    std::memset(static_cast<void*>(&error), 0, sizeof error);
    std::memset(static_cast<void*>(&progress), 0, sizeof progress);
    finalDctMethod = JDCT_ISLOW;
    finalTwoPass = false;
    finalDither = JDITHER_NONE;
    std::memset(static_cast<void*>(&compress), 0, std::max(sizeof compress, sizeof decompress));
}

JpegContext::~JpegContext() { JpegDestroy(*this); }

uint32_t JpegTickCount() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    auto ticks = static_cast<uint32_t>(ms.count());
    return ticks == 0 ? 1 : ticks;
}

bool JpegCreateCompress(JpegContext& context, int version, size_t structSize) {
    InstallErrorManager(context);
    if (setjmp(context.jump)) return false;
    jpeg_CreateCompress(&context.compress, version, structSize);
    LimitMemory(context.Common());
    return true;
}

bool JpegCreateDecompress(JpegContext& context, int version, size_t structSize) {
    InstallErrorManager(context);
    if (setjmp(context.jump)) return false;
    jpeg_CreateDecompress(&context.decompress, version, structSize);
    LimitMemory(context.Common());
    return true;
}

bool JpegAttachSource(JpegContext& context, TStream& stream) {
    if (setjmp(context.jump)) return false;
    j_decompress_ptr cinfo = &context.decompress;
    if (cinfo->src == nullptr) {
        cinfo->src = static_cast<jpeg_source_mgr*>((*cinfo->mem->alloc_small)(
            context.Common(), JPOOL_PERMANENT, sizeof(SourceManager)));
    }
    auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
    src->pub.init_source = InitSource;
    src->pub.fill_input_buffer = FillInputBuffer;
    src->pub.skip_input_data = SkipInputData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = TermSource;
    src->stream = &stream;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    return true;
}

bool JpegAttachDestination(JpegContext& context, TStream& stream) {
    if (setjmp(context.jump)) return false;
    j_compress_ptr cinfo = &context.compress;
    if (cinfo->dest == nullptr) {
        cinfo->dest = static_cast<jpeg_destination_mgr*>((*cinfo->mem->alloc_small)(
            context.Common(), JPOOL_PERMANENT, sizeof(DestinationManager)));
    }
    auto* dest = reinterpret_cast<DestinationManager*>(cinfo->dest);
    dest->pub.init_destination = InitDestination;
    dest->pub.empty_output_buffer = EmptyOutputBuffer;
    dest->pub.term_destination = TermDestination;
    dest->stream = &stream;
    return true;
}

bool JpegReadHeader(JpegContext& context) {
    if (setjmp(context.jump)) return false;
    jpeg_read_header(&context.decompress, TRUE);
    return true;
}

bool JpegFinishDecompress(JpegContext& context) {
    if (setjmp(context.jump)) return false;
    jpeg_finish_decompress(&context.decompress);
    return true;
}

void JpegInstallProgress(JpegContext& context, JpegProgressOwner* owner) {
    JpegProgressMonitor& monitor = context.progress;
    monitor.pub.progress_monitor = ProgressMonitor;
    monitor.owner = owner;
    monitor.lastPercent = 0;
    monitor.lastTime = 0;
    monitor.lastScanline = 0;
    if (monitor.tickCount == nullptr) monitor.tickCount = JpegTickCount;
    context.Common()->progress = &monitor.pub;
}

void JpegDestroy(JpegContext& context) {
    if (!context.Exists()) return;
    jpeg_destroy(context.Common());
    context.compress.err = nullptr;
}

std::exception_ptr JpegFailure(JpegContext& context) {
    int code = context.error.pub.msg_code;
    std::exception_ptr carried = std::move(context.carried);
    context.carried = nullptr;
    JpegDestroy(context);
    if (carried) return carried;
    if (code == JERR_OUT_OF_MEMORY) return std::make_exception_ptr(EOutOfMemory(msg::OutOfMemory));
    return std::make_exception_ptr(EJPEG(Format(msg::JPEGError, code)));
}

void RaiseJpegFailure(JpegContext& context) { std::rethrow_exception(JpegFailure(context)); }

}  // namespace zavo
