#include "codec/jpegadapters.h"

#include <jerror.h>

#include <cstring>
#include <vector>

#include "base/format.h"
#include "codec/jpegsamples.h"
#include "support/testutil.h"

using namespace zavo;
using namespace zavotest;

namespace {

std::string JpegError(int code) { return Format(msg::JPEGError, code); }

// Library sequences driven through the adapters, each in its own guarded frame.
bool EncodeRows(JpegContext& c, const uint8_t* bgr, int width, int height, int quality) {
    if (setjmp(c.jump)) return false;
    c.compress.image_width = static_cast<JDIMENSION>(width);
    c.compress.image_height = static_cast<JDIMENSION>(height);
    c.compress.input_components = 3;
    c.compress.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c.compress);
    c.compress.dct_method = JDCT_FLOAT;
    jpeg_set_quality(&c.compress, quality, TRUE);
    jpeg_start_compress(&c.compress, TRUE);
    while (c.compress.next_scanline < c.compress.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(bgr + static_cast<size_t>(c.compress.next_scanline) * width * 3);
        jpeg_write_scanlines(&c.compress, &row, 1);
    }
    jpeg_finish_compress(&c.compress);
    return true;
}

bool DecodeRows(JpegContext& c, std::vector<uint8_t>* pixels) {
    if (setjmp(c.jump)) return false;
    c.decompress.out_color_space = JCS_EXT_BGR;
    c.decompress.dct_method = JDCT_FLOAT;
    jpeg_start_decompress(&c.decompress);
    size_t stride = static_cast<size_t>(c.decompress.output_width) * 3;
    pixels->assign(stride * c.decompress.output_height, 0);
    while (c.decompress.output_scanline < c.decompress.output_height) {
        JSAMPROW row = pixels->data() + c.decompress.output_scanline * stride;
        jpeg_read_scanlines(&c.decompress, &row, 1);
    }
    jpeg_finish_decompress(&c.decompress);
    return true;
}

void Encode(TStream& out, const std::vector<uint8_t>& bgr, int width, int height, int quality = 75,
            JpegProgressOwner* owner = nullptr) {
    JpegContext c;
    if (!JpegCreateCompress(c)) RaiseJpegFailure(c);
    if (owner != nullptr) JpegInstallProgress(c, owner);
    if (!JpegAttachDestination(c, out)) RaiseJpegFailure(c);
    if (!EncodeRows(c, bgr.data(), width, height, quality)) RaiseJpegFailure(c);
}

// Decodes the stream from its position into top-down blue-green-red pixels.
std::vector<uint8_t> Decode(TStream& in, int* width = nullptr, int* height = nullptr,
                            JpegProgressOwner* owner = nullptr, uint32_t (*tick)() = nullptr) {
    JpegContext c;
    if (!JpegCreateDecompress(c)) RaiseJpegFailure(c);
    c.progress.tickCount = tick;
    if (owner != nullptr) JpegInstallProgress(c, owner);
    if (!JpegAttachSource(c, in)) RaiseJpegFailure(c);
    if (!JpegReadHeader(c)) RaiseJpegFailure(c);
    std::vector<uint8_t> pixels;
    if (!DecodeRows(c, &pixels)) RaiseJpegFailure(c);
    if (width != nullptr) *width = static_cast<int>(c.decompress.output_width);
    if (height != nullptr) *height = static_cast<int>(c.decompress.output_height);
    return pixels;
}

std::vector<uint8_t> SwapRedBlue(std::vector<uint8_t> pixels) {
    for (size_t i = 0; i + 2 < pixels.size(); i += 3) std::swap(pixels[i], pixels[i + 2]);
    return pixels;
}

// A stream over fixed bytes that records the size of every read and can fail on demand.
class ProbeStream : public TStream {
public:
    explicit ProbeStream(std::vector<uint8_t> bytes = {}) : bytes_(std::move(bytes)) {}
    int64_t Read(void* buffer, int64_t count) override {
        reads.push_back(count);
        if (throwOnRead) throw EReadError(msg::ReadError);
        int64_t n = std::min<int64_t>(count, static_cast<int64_t>(bytes_.size()) - pos_);
        std::memcpy(buffer, bytes_.data() + pos_, static_cast<size_t>(n));
        pos_ += n;
        return n;
    }
    int64_t Write(const void* buffer, int64_t count) override {
        writes.push_back(count);
        if (throwOnWrite) throw EStreamError(msg::MemoryStreamError);
        int64_t accepted = std::min(count, writeLimit);
        auto p = static_cast<const uint8_t*>(buffer);
        bytes_.insert(bytes_.end(), p, p + accepted);
        return accepted;
    }
    int64_t Seek(int64_t offset, SeekOrigin) override { return pos_ = offset; }
    void SetSize(int64_t) override {}

    std::vector<int64_t> reads;
    std::vector<int64_t> writes;
    bool throwOnRead = false;
    bool throwOnWrite = false;
    int64_t writeLimit = INT64_MAX;
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    int64_t pos_ = 0;
};

struct Report {
    int percent;
    bool redraw;
    JpegProgressRect rect;
};

class RecordingOwner : public JpegProgressOwner {
public:
    void JpegProgress(int percent, bool redrawNow, const JpegProgressRect& rect) override {
        reports.push_back({percent, redrawNow, rect});
        if (abortAt >= 0 && static_cast<int>(reports.size()) > abortAt) throw EAbort(msg::Abort);
    }
    std::vector<Report> reports;
    int abortAt = -1;
};

uint32_t fakeNow = 0;
uint32_t FakeTicks() { return fakeNow += 600; }
uint32_t FrozenTicks() { return 1000; }

}  // namespace

TEST(JpegErrorManager, EmptyStreamFailsWithTheEmptyInputCode) {
    TMemoryStream empty;
    EXPECT_THROW_MSG(Decode(empty), EJPEG, JpegError(JERR_INPUT_EMPTY));
}

TEST(JpegErrorManager, ErrorTextCarriesTheMessageCodeInDecimal) {
    EXPECT_EQ(std::string("JPEG エラー #41"), JpegError(41));
    // A file that is not a JPEG at all: the library's not-a-JPEG code.
    TMemoryStream stream;
    FillStream(stream, std::vector<uint8_t>(100, 0x42));
    EXPECT_THROW_MSG(Decode(stream), EJPEG, JpegError(JERR_NO_SOI));
}

TEST(JpegErrorManager, WrongLibraryVersionOrStructSizeFailsAtCreation) {
    JpegContext c;
    ASSERT_FALSE(JpegCreateCompress(c, JPEG_LIB_VERSION - 1));
    EXPECT_THROW_MSG(RaiseJpegFailure(c), EJPEG, JpegError(JERR_BAD_LIB_VERSION));
    EXPECT_FALSE(c.Exists());
    JpegContext d;
    ASSERT_FALSE(JpegCreateDecompress(d, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct) + 8));
    EXPECT_THROW_MSG(RaiseJpegFailure(d), EJPEG, JpegError(JERR_BAD_STRUCT_SIZE));
}

TEST(JpegErrorManager, DestroyingTwiceOrWithoutObjectDoesNothing) {
    JpegContext never;
    JpegDestroy(never);
    EXPECT_FALSE(never.Exists());
    JpegContext c;
    ASSERT_TRUE(JpegCreateDecompress(c));
    EXPECT_TRUE(c.Exists());
    JpegDestroy(c);
    EXPECT_FALSE(c.Exists());
    JpegDestroy(c);
    EXPECT_FALSE(c.Exists());
}

TEST(JpegErrorManager, ResetClearsCodeAndWarnings) {
    JpegContext c;
    ASSERT_TRUE(JpegCreateDecompress(c));
    c.error.pub.msg_code = 12;
    c.error.pub.num_warnings = 3;
    (*c.error.pub.reset_error_mgr)(c.Common());
    EXPECT_EQ(0, c.error.pub.msg_code);
    EXPECT_EQ(0, c.error.pub.num_warnings);
}

TEST(JpegDestination, WritesTheSameFileAsTheLibrarysMemoryDestination) {
    for (int size : {1, 7, 64, 203}) {
        std::vector<uint8_t> rgb = RgbPattern(size, size + 3);
        TMemoryStream out;
        Encode(out, SwapRedBlue(rgb), size, size + 3, 75);
        ReferenceOptions options;
        options.quality = 75;
        EXPECT_EQ(EncodeReference(rgb, size, size + 3, options), StreamBytes(out)) << size;
    }
}

TEST(JpegDestination, WritesWholeBuffersThenTheRest) {
    std::vector<uint8_t> rgb = RgbPattern(300, 300);
    ProbeStream out;
    Encode(out, rgb, 300, 300, 95);
    ASSERT_GE(out.writes.size(), 2u);
    for (size_t i = 0; i + 1 < out.writes.size(); ++i) EXPECT_EQ(4096, out.writes[i]);
    EXPECT_GT(out.writes.back(), 0);
    EXPECT_LE(out.writes.back(), 4096);
    EXPECT_EQ(0xD9, out.bytes().back());
}

TEST(JpegDestination, ShortWriteFailsWithTheFileWriteCode) {
    std::vector<uint8_t> rgb = RgbPattern(300, 300);
    ProbeStream full;
    full.writeLimit = 100;
    EXPECT_THROW_MSG(Encode(full, rgb, 300, 300), EJPEG, JpegError(JERR_FILE_WRITE));
    // The final partial buffer is checked too.
    ProbeStream tail;
    tail.writeLimit = 10;
    EXPECT_THROW_MSG(Encode(tail, RgbPattern(2, 2), 2, 2), EJPEG, JpegError(JERR_FILE_WRITE));
}

TEST(JpegDestination, StreamExceptionPassesThroughUnchanged) {
    ProbeStream out;
    out.throwOnWrite = true;
    EXPECT_THROW_MSG(Encode(out, RgbPattern(300, 300), 300, 300), EStreamError, msg::MemoryStreamError);
}

TEST(JpegSource, DecodesWhatTheLibraryDecodesInBlocksOf4096) {
    std::vector<uint8_t> bytes = EncodeReference(RgbPattern(227, 149), 227, 149);
    ASSERT_GT(bytes.size(), 4096u);
    ProbeStream in(bytes);
    int width = 0, height = 0;
    std::vector<uint8_t> pixels = Decode(in, &width, &height);
    int refWidth = 0, refHeight = 0;
    EXPECT_EQ(DecodeReference(bytes, refWidth, refHeight, JCS_EXT_BGR), pixels);
    EXPECT_EQ(refWidth, width);
    EXPECT_EQ(refHeight, height);
    for (int64_t n : in.reads) EXPECT_EQ(4096, n);
}

TEST(JpegSource, ReadsFromTheStreamsPosition) {
    std::vector<uint8_t> rgb = RgbPattern(40, 30);
    std::vector<uint8_t> jpeg = EncodeReference(rgb, 40, 30);
    TMemoryStream stream;
    stream.WriteBuffer("junk", 4);
    stream.WriteBuffer(jpeg.data(), static_cast<int64_t>(jpeg.size()));
    stream.SetPosition(4);
    int width = 0, height = 0;
    Decode(stream, &width, &height);
    EXPECT_EQ(40, width);
    EXPECT_EQ(30, height);
}

TEST(JpegSource, SkipsSegmentsLongerThanTheBuffer) {
    std::vector<uint8_t> rgb = RgbPattern(16, 16);
    std::vector<uint8_t> jpeg = EncodeReference(rgb, 16, 16);
    // An APP1 segment of 60000 bytes after the JFIF header: the library skips it.
    std::vector<uint8_t> big = {0xFF, 0xE1, 0xEA, 0x62};
    big.resize(2 + 0xEA62, 0x5A);
    std::vector<uint8_t> padded(jpeg.begin(), jpeg.begin() + 20);
    padded.insert(padded.end(), big.begin(), big.end());
    padded.insert(padded.end(), jpeg.begin() + 20, jpeg.end());
    TMemoryStream stream;
    FillStream(stream, padded);
    int w = 0, h = 0;
    EXPECT_EQ(DecodeReference(jpeg, w, h, JCS_EXT_BGR), Decode(stream));
}

TEST(JpegSource, CutInsideTheScanDecodesWithoutError) {
    std::vector<uint8_t> rgb = RgbPattern(64, 64);
    std::vector<uint8_t> jpeg = EncodeReference(rgb, 64, 64);
    size_t scan = FindMarker(jpeg, 0xDA);
    ASSERT_LT(scan, jpeg.size());
    size_t cut = scan + (jpeg.size() - scan) / 2;
    TMemoryStream stream;
    FillStream(stream, jpeg, cut);
    int width = 0, height = 0;
    std::vector<uint8_t> pixels = Decode(stream, &width, &height);
    EXPECT_EQ(64, width);
    EXPECT_EQ(64, height);
    // The first rows were in the file and decode as in the whole file.
    int w = 0, h = 0;
    std::vector<uint8_t> whole = DecodeReference(jpeg, w, h, JCS_EXT_BGR);
    EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + 64 * 3 * 8, pixels.begin()));
}

TEST(JpegSource, CutBeforeTheFirstScanFails) {
    std::vector<uint8_t> jpeg = EncodeReference(RgbPattern(64, 64), 64, 64);
    size_t scan = FindMarker(jpeg, 0xDA);
    TMemoryStream stream;
    FillStream(stream, jpeg, scan);
    EXPECT_THROW_MSG(Decode(stream), EJPEG, JpegError(JERR_SOF_NO_SOS));
    FillStream(stream, jpeg, 2);
    EXPECT_THROW_MSG(Decode(stream), EJPEG, JpegError(JERR_NO_IMAGE));
}

TEST(JpegSource, StreamExceptionPassesThroughUnchanged) {
    ProbeStream in(EncodeReference(RgbPattern(64, 48), 64, 48));
    in.throwOnRead = true;
    EXPECT_THROW_MSG(Decode(in), EReadError, msg::ReadError);
}

TEST(JpegProgressMonitor, ReportsRisingPercentagesAndTheNewRows) {
    std::vector<uint8_t> jpeg = EncodeReference(RgbPattern(256, 256), 256, 256);
    TMemoryStream stream;
    FillStream(stream, jpeg);
    RecordingOwner owner;
    fakeNow = 0;
    Decode(stream, nullptr, nullptr, &owner, FakeTicks);
    ASSERT_GT(owner.reports.size(), 10u);
    int lastPercent = 0;
    int lastBottom = 0;
    for (const Report& r : owner.reports) {
        EXPECT_GT(r.percent, lastPercent);
        EXPECT_LE(r.percent, 100);
        EXPECT_EQ(0, r.rect.left);
        EXPECT_EQ(256, r.rect.right);
        EXPECT_EQ(lastBottom, r.rect.top);
        EXPECT_EQ(r.rect.bottom - r.rect.top >= 4, r.redraw);
        lastPercent = r.percent;
        lastBottom = r.rect.bottom;
    }
}

TEST(JpegProgressMonitor, StaysQuietWithin500Milliseconds) {
    std::vector<uint8_t> jpeg = EncodeReference(RgbPattern(256, 256), 256, 256);
    TMemoryStream stream;
    FillStream(stream, jpeg);
    RecordingOwner owner;
    Decode(stream, nullptr, nullptr, &owner, FrozenTicks);
    EXPECT_TRUE(owner.reports.empty());
}

TEST(JpegProgressMonitor, CompressionReportsAnEmptyRectangle) {
    RecordingOwner owner;
    TMemoryStream out;
    fakeNow = 0;
    JpegContext c;
    ASSERT_TRUE(JpegCreateCompress(c));
    c.progress.tickCount = FakeTicks;
    JpegInstallProgress(c, &owner);
    ASSERT_TRUE(JpegAttachDestination(c, out));
    std::vector<uint8_t> rgb = RgbPattern(64, 64);
    ASSERT_TRUE(EncodeRows(c, rgb.data(), 64, 64, 75));
    ASSERT_FALSE(owner.reports.empty());
    for (const Report& r : owner.reports) {
        EXPECT_EQ(0, r.rect.right);
        EXPECT_EQ(0, r.rect.bottom);
        EXPECT_FALSE(r.redraw);
    }
}

TEST(JpegProgressMonitor, AbortFromTheOwnerLeavesTheLibraryAndPassesOn) {
    std::vector<uint8_t> jpeg = EncodeReference(RgbPattern(256, 256), 256, 256);
    TMemoryStream stream;
    FillStream(stream, jpeg);
    RecordingOwner owner;
    owner.abortAt = 2;
    fakeNow = 0;
    EXPECT_THROW_MSG(Decode(stream, nullptr, nullptr, &owner, FakeTicks), EAbort, msg::Abort);
    EXPECT_EQ(3u, owner.reports.size());
}

TEST(JpegMemory, HugeProgressiveHeaderIsRefusedWithoutTakingTheMemory) {
    ReferenceOptions options;
    options.progressive = true;
    std::vector<uint8_t> jpeg = EncodeReference(RgbPattern(16, 16), 16, 16, options);
    size_t sof = FindMarker(jpeg, 0xC2);
    ASSERT_LT(sof, jpeg.size());
    // 60000 x 60000: the coefficient buffer alone would take gigabytes.
    jpeg[sof + 5] = 0xEA;
    jpeg[sof + 6] = 0x60;
    jpeg[sof + 7] = 0xEA;
    jpeg[sof + 8] = 0x60;
    TMemoryStream stream;
    FillStream(stream, jpeg);
    // The library finds the buffer over its limit and, having no backing store, gives up.
    EXPECT_THROW_MSG(Decode(stream), EJPEG, JpegError(JERR_NO_BACKING_STORE));
}
