#include "batch/report.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/numbertext.h"

namespace zavo::batch {

namespace {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", c);
                    out += escape;
                } else {
                    out += char(c);
                }
        }
    }
    return out + "\"";
}

}  // namespace

std::string FixedText(double value, int decimals) {
    char text[64];
    auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    return std::string(text, end);
}

std::string TextLine(const FileResult& r) {
    return r.source + ": " + std::to_string(r.sourceSize) + " -> " + std::to_string(r.resultSize) + " bytes (" +
           SizeText(r.resultSize) + "), quality " + std::to_string(r.quality) + ", PSNR " +
           PsnrText(r.figures.psnr) + " dB, SSIM " + SsimText(r.figures.ssim) + " (worst " +
           SsimText(r.figures.worst) + " at " + std::to_string(r.figures.worstX) + "," +
           std::to_string(r.figures.worstY) + ")" +
           (r.metadataSize ? ", metadata " + std::to_string(*r.metadataSize) + " bytes" : "");
}

std::string JsonLine(const FileResult& r) {
    std::string out = "{\"source\":" + JsonString(r.source) + ",\"target\":" + JsonString(r.target);
    if (!r.ok) return out + ",\"error\":" + JsonString(r.error) + "}";
    std::string psnr = std::isinf(r.figures.psnr) ? "\"inf\"" : FixedText(r.figures.psnr, 3);
    return out + ",\"source_size\":" + std::to_string(r.sourceSize) + ",\"result_size\":" +
           std::to_string(r.resultSize) + ",\"result_size_text\":" + JsonString(SizeText(r.resultSize)) +
           ",\"quality\":" + std::to_string(r.quality) + ",\"psnr_db\":" + psnr +
           ",\"ssim\":" + FixedText(r.figures.ssim, 5) + ",\"worst_ssim\":" + FixedText(r.figures.worst, 5) +
           ",\"worst_x\":" + std::to_string(r.figures.worstX) + ",\"worst_y\":" + std::to_string(r.figures.worstY) +
           (r.metadataSize ? ",\"metadata_size\":" + std::to_string(*r.metadataSize) : "") +
           (r.warning.empty() ? "" : ",\"warning\":" + JsonString(r.warning)) + "}";
}

std::string ErrorLine(const FileResult& r) { return "zavo-batch: " + r.source + ": " + (r.ok ? r.warning : r.error); }

std::string ProgressBar(size_t done, size_t total, int width) {
    size_t filled = total == 0 ? size_t(width) : done * size_t(width) / total;
    std::string bar = "[";
    bar.append(filled, '#').append(size_t(width) - filled, '.').append("] ");
    std::string count = std::to_string(done) + "/" + std::to_string(total);
    std::string pad(std::to_string(total).size() * 2 + 1 - count.size(), ' ');
    return bar + pad + count;
}

}  // namespace zavo::batch
