#!/usr/bin/env bash
# Remakes the bitmaps and icons of other programs that the codec tests load, from one source
# picture: 61 x 37 pixels in twelve colours whose channels are multiples of 17, so that 4-bit
# channels hold them exactly. Needs gimp, imagemagick and python3-pil.
set -euo pipefail
cd "$(dirname "$0")"
py=/usr/bin/python3
$py - <<'PY'
from PIL import Image
colours = [(0, 0, 0), (255, 255, 255), (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (0, 255, 255),
           (255, 0, 255), (136, 68, 34), (34, 136, 204), (85, 85, 85), (204, 153, 17)]
lengths = [1, 2, 3, 5, 8, 13, 1, 1, 4]
im = Image.new('RGB', (61, 37))
# Rows of runs of varied lengths; GIMP then ends some rows with a run past the last pixel.
for y in range(37):
    x, seg = 0, 0
    while x < 61:
        n = lengths[(seg + y) % len(lengths)]
        for k in range(min(n, 61 - x)):
            im.putpixel((x + k, y), colours[(seg * 5 + y) % 12])
        x, seg = x + n, seg + 1
im.save('bmp/source_61x37.png', optimize=True)
# 16 x 16 with four alpha levels in columns of four.
icon = Image.new('RGBA', (16, 16))
for y in range(16):
    for x in range(16):
        icon.putpixel((x, y), im.getpixel((x * 3, y * 2)) + ((255, 128, 0, 64)[x // 4],))
icon.save('ico/source_16x16_alpha.png')
icon.save('ico/pillow_32bit_nomask.ico', sizes=[(16, 16)], bitmap_format='bmp')
PY
convert bmp/source_61x37.png -type Palette -compress RLE BMP3:bmp/imagemagick_rle8_bmp3_61x37.bmp
convert bmp/source_61x37.png -type Palette -compress RLE BMP:bmp/imagemagick_rle8_bmp_61x37.bmp
convert bmp/source_61x37.png -alpha on -define bmp:subtype=ARGB4444 bmp/imagemagick_argb4444_61x37.bmp
gimp -i -b '(let* ((image (car (gimp-file-load RUN-NONINTERACTIVE "bmp/source_61x37.png" "source_61x37.png"))))
  (gimp-image-convert-indexed image CONVERT-DITHER-NONE CONVERT-PALETTE-GENERATE 16 FALSE FALSE "")
  (file-bmp-save2 RUN-NONINTERACTIVE image (car (gimp-image-get-active-drawable image))
                  "bmp/gimp_rle4_61x37.bmp" "gimp_rle4_61x37.bmp" 1 1 0))' -b '(gimp-quit 0)'
