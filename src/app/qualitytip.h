// The hint of the compressed-size label: PSNR, SSIM (with its lowest window's) and the share of the
// source file's size for the bytes the label measures, computed on a worker thread so that no
// recompression waits for it. The same measure gives the loss map of those bytes.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "toolkit/label.h"

namespace zavo {

class TJPEGImage;
struct TLossMap;

// Starts measuring result's bytes against source's bitmap, the pixels they were compressed from,
// and shows only the note (a line on the metadata, or nothing) until the figures are known, which
// then stand above it. onMap, when given, gets the loss map the figures come from along with them.
// A later call makes the pending figures and map void.
void RefreshQualityTip(TLabel* label, TJPEGImage& source, TJPEGImage& result, const std::string& sourceFile,
                       const std::string& note = "",
                       std::function<void(std::shared_ptr<const TLossMap>)> onMap = {});

}  // namespace zavo
