#include "app/qualitytip.h"

#include <charconv>
#include <memory>
#include <vector>

#include "codec/jpegimage.h"
#include "codec/keptpicture.h"
#include "codec/lossmap.h"
#include "codec/qualityfigures.h"
#include "platform/files.h"
#include "toolkit/worker.h"

namespace zavo {

namespace {

constexpr const char* kQualityTip = "zavo-quality-tip";

std::string Percent(double value) {
    char text[32];
    auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1).ptr;
    return std::string(text, end);
}

struct Measured {
    std::string text;  // empty when the bytes could not be measured
    std::shared_ptr<const TLossMap> map;
};

// The hint's text and the loss map for bytes compressed from pixels.
Measured Measure(const platform::Surface& pixels, const std::vector<uint8_t>& jpeg, const std::string& sourceFile,
                 std::stop_token stop) {
    try {
        TMemoryStream bytes;
        bytes.WriteBuffer(jpeg.data(), int64_t(jpeg.size()));
        bytes.SetPosition(0);
        auto map = std::make_shared<TLossMap>(MeasureLossMap(pixels, bytes, std::move(stop)));
        const TQualityFigures& f = map->figures;
        std::string text = "PSNR " + PsnrText(f.psnr) + " dB, SSIM " + SsimText(f.ssim) + " (最低 " + SsimText(f.worst) + ")";
        int64_t sourceSize = platform::FileSize(sourceFile);
        if (sourceSize > 0) text += ", " + Percent(100.0 * double(jpeg.size()) / double(sourceSize)) + " % of the source";
        return {std::move(text), std::move(map)};
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace

void RefreshQualityTip(TLabel* label, TJPEGImage& source, TJPEGImage& result, const std::string& sourceFile,
                       const std::string& note, std::function<void(std::shared_ptr<const TLossMap>)> onMap) {
    // The figures are a hint: the panes and the size label never wait for them.
    TWorker& worker = ControlWorker(label, kQualityTip);
    label->SetHint(note);
    worker.Cancel();
    TBitmap* pixels = source.Bitmap();
    const TJPEGData& holder = result.Holder();
    if (pixels == nullptr || holder.Bytes == nullptr || holder.Bytes->Size() == 0) return;
    auto kept = std::make_unique<TKeptPicture>(pixels);
    // Rare formats are given to the worker as a private 24-bit copy.
    const platform::Surface* plain = WithPlainRows(kept->Bitmap());
    if (plain == nullptr) return;
    const uint8_t* bytes = holder.Bytes->Memory();
    worker.Request([kept = std::move(kept), plain, jpeg = std::vector<uint8_t>(bytes, bytes + holder.Bytes->Size()),
                    sourceFile](std::stop_token stop) { return Measure(*plain, jpeg, sourceFile, std::move(stop)); },
                   [label, note, onMap = std::move(onMap)](const Measured& measured) {
                       if (measured.text.empty()) return label->SetHint(note);
                       label->SetHint(note.empty() ? measured.text : measured.text + "\n" + note);
                       if (onMap) onMap(measured.map);
                   });
}

}  // namespace zavo
