// What zavo-batch prints of each file: a text line or a JSON line, and the progress bar.
#pragma once

#include <string>

#include "batch/filejob.h"

namespace zavo::batch {

// "a.bmp: 1234567 -> 123456 bytes (120 k), quality 80, PSNR 38.2 dB, SSIM 0.981 (worst 0.874 at 1232,560)":
// the worst 8 x 8 window's SSIM and its top-left pixel.
std::string TextLine(const FileResult& result);
// The same as one JSON object; PSNR is the string "inf" for a lossless result. A failure has the
// source, the target and its error.
std::string JsonLine(const FileResult& result);
// "zavo-batch: a.bmp: ファイル a.bmp は開けません."; for a written file, its warning.
std::string ErrorLine(const FileResult& result);
// "0.98100" for 0.981 at 5 decimals, whatever the locale.
std::string FixedText(double value, int decimals);
// "[#########...........]  12/40", width characters between the brackets.
std::string ProgressBar(size_t done, size_t total, int width);

}  // namespace zavo::batch
