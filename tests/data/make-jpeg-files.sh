#!/usr/bin/env bash
# Remakes the JPEG files of another encoder that the tests load, from the bitmaps' source picture:
# a colour file (2 x 2 chroma subsampling, as cjpeg writes by default) and a grayscale one. Needs
# libjpeg-turbo-progs and imagemagick (both installed by scripts/setup.sh).
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p jpeg
/usr/bin/convert bmp/source_61x37.png ppm:- | cjpeg -quality 85 -outfile jpeg/cjpeg_61x37.jpg
/usr/bin/convert bmp/source_61x37.png ppm:- | cjpeg -quality 85 -grayscale -outfile jpeg/cjpeg_gray_61x37.jpg
