#include "batch/filejob.h"

#include <exception>
#include <filesystem>
#include <map>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/bytechannel.h"
#include "base/exceptions.h"
#include "base/format.h"
#include "base/replacingfile.h"
#include "batch/qualitysearch.h"
#include "codec/picturefile.h"
#include "platform/files.h"

namespace zavo::batch {

namespace fs = std::filesystem;

namespace {

// A failure of the batch itself, not of a picture.
class JobError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

TQualityFigures Measure(const platform::Surface& pixels, const std::vector<uint8_t>& bytes) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    stream.SetPosition(0);
    return MeasureJpeg(pixels, stream);
}

// Compresses at the quality and measures the bytes on a second thread as they are made, so that
// the decode of the result costs hardly any time beyond the compression.
std::vector<uint8_t> CompressAndMeasure(TPictureCompressor& compressor, int quality, const platform::Surface& pixels,
                                        TQualityFigures& figures) {
    TByteChannel channel;
    std::exception_ptr failure;
    std::thread measure([&] {
        try {
            figures = MeasureJpeg(pixels, channel);
        } catch (...) {
            failure = std::current_exception();
        }
    });
    std::vector<uint8_t> bytes;
    try {
        bytes = compressor.Compress(quality, &channel);
    } catch (...) {
        channel.Close();
        measure.join();
        throw;
    }
    channel.Close();
    measure.join();
    if (failure) std::rethrow_exception(failure);
    return bytes;
}

std::unique_ptr<TReplacingFileStream> Run(FileResult& result, const BatchOptions& options, bool measureAside) {
    std::error_code ignored;
    if (fs::symlink_status(result.target, ignored).type() != fs::file_type::not_found) {
        if (platform::SameFile(result.target, result.source)) throw JobError(result.target + " is the source itself");
        if (!options.overwrite) throw JobError(result.target + " exists (--overwrite replaces it)");
    }
    std::shared_ptr<const TMetadata> metadata;
    std::unique_ptr<TBitmap> pixels = DrawPictureFile(result.source, &metadata);
    result.sourceSize = platform::FileSize(result.source);
    if (pixels->Width() == 0 || pixels->Height() == 0) throw JobError("the picture has no pixels");

    TPictureCompressor compressor(*pixels);
    if (options.metadata.copy != TMetadataCopy::None) {
        std::shared_ptr<const TMetadata> written = MetadataToWrite(metadata, options.metadata);
        compressor.SetMetadata(written);
        result.metadataSize = written ? MetadataBytes(*written) : 0;
        if (written) result.warning = written->note;
    }
    // The figures read the pixels through their own bitmap, so that a rare format is converted
    // for them without touching the one the compressor reads.
    TBitmap plain;
    plain.AssignFrom(pixels.get());
    const platform::Surface* luma = WithPlainRows(plain);
    if (luma == nullptr) throw JobError("the picture has no pixels");
    std::vector<uint8_t> bytes;
    if (options.maxSize > 0) {
        std::map<int, std::vector<uint8_t>> tried;
        int q = HighestFittingQuality(
            [&](int quality) {
                std::vector<uint8_t>& b = tried[quality] = compressor.Compress(quality);
                return int64_t(b.size());
            },
            options.maxSize);
        if (q == 0)
            throw JobError("does not fit in " + std::to_string(options.maxSize) + " bytes even at quality 1 (" +
                           std::to_string(tried[1].size()) + " bytes)");
        result.quality = q;
        bytes = std::move(tried[q]);
        result.figures = Measure(*luma, bytes);
    } else if (measureAside) {
        result.quality = options.quality;
        bytes = CompressAndMeasure(compressor, options.quality, *luma, result.figures);
    } else {
        result.quality = options.quality;
        bytes = compressor.Compress(options.quality);
        result.figures = Measure(*luma, bytes);
    }
    result.resultSize = int64_t(bytes.size());

    auto out = std::make_unique<TReplacingFileStream>(result.target);
    out->WriteBuffer(bytes.data(), int64_t(bytes.size()));
    return out;
}

// Runs step and describes what it raises in the result, as the window's error box would.
template <typename Step>
bool Guarded(FileResult& result, Step step) {
    try {
        step();
        return true;
    } catch (const JobError& e) {
        result.error = e.what();
    } catch (const EAbort&) {
        result.error = "cancelled";
    } catch (const std::bad_alloc&) {
        result.error = ErrorBoxText(msg::OutOfMemory);
    } catch (const std::length_error&) {
        // A request for more memory than the library can ever hand out, as the window reports it.
        result.error = ErrorBoxText(msg::OutOfMemory);
    } catch (const std::exception& e) {
        result.error = ErrorBoxText(e.what());
    }
    return false;
}

}  // namespace

std::string TargetFor(const std::string& source, const std::string& outputDir) {
    fs::path path(source);
    fs::path dir = outputDir.empty() ? path.parent_path() : fs::path(outputDir);
    return (dir / path.filename().replace_extension(".jpg")).string();
}

FileJob PrepareFileJob(const std::string& source, const std::string& target, const BatchOptions& options,
                       bool measureAside) {
    FileJob job;
    job.result.source = source;
    job.result.target = target;
    Guarded(job.result, [&] { job.output = Run(job.result, options, measureAside); });
    return job;
}

FileResult CommitFileJob(FileJob job) {
    if (job.output) {
        job.result.ok = Guarded(job.result, [&] { job.output->Commit(); });
        // A failed commit leaves the target as it was; the temporary file goes with the stream.
        job.output.reset();
    }
    return std::move(job.result);
}

}  // namespace zavo::batch
