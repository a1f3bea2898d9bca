#!/usr/bin/env python3
"""The size and the oracle's figures of a bitmap compressed by cjpeg at every quality, as zavo-batch
compresses it (baseline, float DCT), decoded by djpeg to gray with the float DCT.

Usage: quality_curve.py PICTURE.bmp -> one line per quality 1..100: "QUALITY SIZE PSNR SSIM WORST X Y".
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ssim_oracle  # noqa: E402


def main():
    source = sys.argv[1]
    original = ssim_oracle.luma(source)
    for quality in range(1, 101):
        jpeg = subprocess.run(['cjpeg', '-quality', str(quality), '-baseline', '-dct', 'float', source],
                              capture_output=True, check=True).stdout
        gray = subprocess.run(['djpeg', '-dct', 'float', '-grayscale', '-pnm'], input=jpeg,
                              capture_output=True, check=True).stdout
        psnr, ssim, worst, x, y = ssim_oracle.figures(original, ssim_oracle.gray(gray))
        print(quality, len(jpeg), psnr, '%.6f' % ssim, '%.6f' % worst, x, y)


if __name__ == '__main__':
    main()
