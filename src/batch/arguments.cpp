#include "batch/arguments.h"

#include <charconv>
#include <limits>

namespace zavo::batch {

const char* const kUsage =
    "usage: zavo-batch [-q QUALITY | [--max-size SIZE] [--min-ssim X] [--min-local-ssim X]]\n"
    "                  [-o DIR] [--overwrite] [--jobs N] [--json]\n"
    "                  [--copy none|icc|all] [--strip-gps] [--files-from LIST [-0]] FILE...\n"
    "Compresses each picture (BMP, JPEG, ICO, WMF, EMF, by extension) as the zavo window does and\n"
    "writes NAME.jpg beside it or into DIR.\n"
    "  -q, --quality QUALITY  JPEG quality 1..100 (default 80)\n"
    "  --max-size SIZE        the highest quality whose result has at most SIZE bytes (k, M: 1024, 1024 k)\n"
    "  --min-ssim X           the lowest quality whose SSIM is at least X (0 < X <= 1); with\n"
    "                         --max-size, the highest within SIZE whose SSIM is at least X\n"
    "  --min-local-ssim X     the same for the SSIM of the worst 8x8 window\n"
    "  -o, --output DIR       folder for the results (default: beside each source)\n"
    "  --overwrite            replace existing results (never a source)\n"
    "  -j, --jobs N           threads at work at once, one file each (default: one per core); one\n"
    "                         that no file needs decodes a result for its figures meanwhile\n"
    "  --json                 one JSON object per file instead of text lines\n"
    "  --copy none|icc|all    metadata each result keeps: nothing (default), the colour profile, or\n"
    "                         every APPn and COM segment (EXIF, XMP, IPTC, profile, comments) except\n"
    "                         the JFIF header and the Adobe segment\n"
    "  --strip-gps            remove the GPS directory from EXIF (a malformed EXIF is then left out)\n"
    "  --files-from LIST      also the files named in LIST, one a line; - reads standard input\n"
    "  -0, --null             names in LIST end with a NUL byte (find -print0)\n"
    "  -h, --help             this text\n"
    "A file no quality suits is reported and skipped.\n"
    "Exit code: 0 all files written, 1 some failed or skipped, 2 bad arguments.\n";

namespace {

int64_t ParseCount(const std::string& text, int64_t low, int64_t high, const std::string& what) {
    int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        throw UsageError(what + " must be a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ": '" + text + "'");
    return value;
}

// A share above 0 and at most 1, written as a decimal number ("0.95", "1").
double ParseShare(const std::string& text, const std::string& what) {
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !(value > 0 && value <= 1))
        throw UsageError(what + " must be a decimal number above 0 and at most 1: '" + text + "'");
    return value;
}

}  // namespace

int64_t ParseSize(const std::string& text) {
    int64_t unit = 1;
    std::string digits = text;
    if (!digits.empty() && (digits.back() == 'k' || digits.back() == 'K')) unit = 1024;
    else if (!digits.empty() && digits.back() == 'M') unit = 1024 * 1024;
    if (unit != 1) digits.pop_back();
    int64_t count = ParseCount(digits, 1, std::numeric_limits<int64_t>::max() / unit, "--max-size");
    return count * unit;
}

BatchOptions ParseArguments(const std::vector<std::string>& args) {
    BatchOptions options;
    bool quality = false;
    bool maxSize = false;
    bool filesOnly = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (filesOnly || arg.empty() || arg[0] != '-' || arg == "-") {
            options.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            filesOnly = true;
            continue;
        }
        // "--name=value" is the same as "--name value".
        std::string inlineValue;
        bool hasInline = false;
        if (arg.rfind("--", 0) == 0) {
            if (size_t eq = arg.find('='); eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg.resize(eq);
                hasInline = true;
            }
        }
        auto value = [&]() -> std::string {
            if (hasInline) return inlineValue;
            if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
            return args[++i];
        };
        auto flag = [&] {
            if (hasInline) throw UsageError(arg + " takes no value");
        };
        if (arg == "-q" || arg == "--quality") {
            options.quality = int(ParseCount(value(), 1, 100, "the quality"));
            quality = true;
        } else if (arg == "--max-size") {
            options.maxSize = ParseSize(value());
            maxSize = true;
        } else if (arg == "--min-ssim") {
            options.minSsim = ParseShare(value(), arg);
        } else if (arg == "--min-local-ssim") {
            options.minLocalSsim = ParseShare(value(), arg);
        } else if (arg == "-o" || arg == "--output") {
            options.outputDir = value();
            if (options.outputDir.empty()) throw UsageError("the output folder must not be empty");
        } else if (arg == "-j" || arg == "--jobs") {
            options.jobs = int(ParseCount(value(), 1, 1024, "--jobs"));
        } else if (arg == "--copy") {
            std::string copy = value();
            if (copy == "none") options.metadata.copy = TMetadataCopy::None;
            else if (copy == "icc") options.metadata.copy = TMetadataCopy::Icc;
            else if (copy == "all") options.metadata.copy = TMetadataCopy::All;
            else throw UsageError("--copy takes none, icc or all: '" + copy + "'");
        } else if (arg == "--strip-gps") {
            flag();
            options.metadata.stripGps = true;
        } else if (arg == "--files-from") {
            options.filesFrom = value();
            if (options.filesFrom.empty()) throw UsageError("--files-from needs a file name, or - for standard input");
        } else if (arg == "-0" || arg == "--null") {
            flag();
            options.nulSeparated = true;
        } else if (arg == "--overwrite") {
            flag();
            options.overwrite = true;
        } else if (arg == "--json") {
            flag();
            options.json = true;
        } else if (arg == "-h" || arg == "--help") {
            flag();
            options.help = true;
        } else {
            throw UsageError("unknown option " + arg);
        }
    }
    if (quality && (maxSize || options.minSsim > 0 || options.minLocalSsim > 0))
        throw UsageError("-q excludes --max-size, --min-ssim and --min-local-ssim");
    if (options.nulSeparated && options.filesFrom.empty()) throw UsageError("-0 needs --files-from");
    if (options.files.empty() && options.filesFrom.empty() && !options.help) throw UsageError("no file given");
    return options;
}

}  // namespace zavo::batch
