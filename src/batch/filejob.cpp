#include "batch/filejob.h"

#include <charconv>
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
#include "batch/report.h"
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

bool Demands(const BatchOptions& options) { return options.minSsim > 0 || options.minLocalSsim > 0; }

bool Meets(const TQualityFigures& figures, const BatchOptions& options) {
    return (options.minSsim == 0 || figures.ssim >= options.minSsim) &&
           (options.minLocalSsim == 0 || figures.worst >= options.minLocalSsim);
}

// "SSIM 0.95 (quality 100: SSIM 0.94312, worst 0.71234)", the demand against what a quality gave.
std::string Shortfall(const BatchOptions& options, int quality, const TQualityFigures& figures) {
    auto share = [](double value) {
        char text[32];
        return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
    };
    std::string demand;
    if (options.minSsim > 0) demand = "SSIM " + share(options.minSsim);
    if (options.minSsim > 0 && options.minLocalSsim > 0) demand += " and ";
    if (options.minLocalSsim > 0) demand += "worst-window SSIM " + share(options.minLocalSsim);
    return demand + " (quality " + std::to_string(quality) + ": SSIM " + FixedText(figures.ssim, 5) + ", worst " +
           FixedText(figures.worst, 5) + ")";
}

// The bytes at the quality --max-size and the SSIM demands choose, with their quality and figures
// in the result. Each quality is compressed and measured at most once.
std::vector<uint8_t> SearchQuality(TPictureCompressor& compressor, const platform::Surface& luma,
                                   const BatchOptions& options, FileResult& result) {
    std::map<int, std::vector<uint8_t>> tried;
    std::map<int, TQualityFigures> measured;
    auto bytesAt = [&](int q) -> std::vector<uint8_t>& {
        auto at = tried.find(q);
        if (at == tried.end()) at = tried.emplace(q, compressor.Compress(q)).first;
        return at->second;
    };
    auto figuresAt = [&](int q) -> const TQualityFigures& {
        auto at = measured.find(q);
        if (at == measured.end()) at = measured.emplace(q, Measure(luma, bytesAt(q))).first;
        return at->second;
    };
    auto meets = [&](int q) { return !Demands(options) || Meets(figuresAt(q), options); };
    int q = 0;
    if (options.maxSize > 0) {
        FittingQuality found =
            HighestFittingMeetingQuality([&](int quality) { return int64_t(bytesAt(quality).size()); },
                                         options.maxSize, meets);
        if (found.fitting == 0)
            throw JobError("does not fit in " + std::to_string(options.maxSize) + " bytes even at quality 1 (" +
                           std::to_string(bytesAt(1).size()) + " bytes)");
        if (found.chosen == 0)
            throw JobError("no quality within " + std::to_string(options.maxSize) + " bytes reaches " +
                           Shortfall(options, found.fitting, figuresAt(found.fitting)));
        q = found.chosen;
    } else {
        q = LowestMeetingQuality(meets);
        if (q == 0) throw JobError("no quality reaches " + Shortfall(options, 100, figuresAt(100)));
    }
    result.quality = q;
    result.figures = figuresAt(q);
    return std::move(bytesAt(q));
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
    if (options.maxSize > 0 || Demands(options)) {
        bytes = SearchQuality(compressor, *luma, options, result);
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
