// The hint of the compressed-size label: PSNR, SSIM and the share of the source file's size for
// the bytes the label measures, computed on a worker thread so that no recompression waits for it.
#pragma once

#include <string>

#include "toolkit/label.h"

namespace zavo {

class TJPEGImage;

// Starts measuring result's bytes against source's bitmap, the pixels they were compressed from,
// and shows only the note (a line on the metadata, or nothing) until the figures are known, which
// then stand above it. A later call makes the pending figures void.
void RefreshQualityTip(TLabel* label, TJPEGImage& source, TJPEGImage& result, const std::string& sourceFile,
                       const std::string& note = "");

}  // namespace zavo
