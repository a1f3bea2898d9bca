#!/usr/bin/env bash
# zavo-batch keeping metadata, read back by exiftool as the independent oracle: the tags, the XMP and
# the profile found unchanged with --copy all, only the profile with icc, nothing with none; GPS gone
# and every other tag kept with --strip-gps; payloads byte for byte; a malformed EXIF; a bitmap's
# profile; and file lists from --files-from with -0.
source "$(dirname "$0")/common.sh"
command -v exiftool >/dev/null || fail "exiftool is missing (bash scripts/setup.sh installs libimage-exiftool-perl)"
meta() { python3 "$SOURCE/tests/batch/makemeta.py" "$@"; }
# Every tag exiftool finds, by group, but those of the file itself and of the JFIF header.
tags() { exiftool -a -G1 -s -s -s -j --System:all --File:all --ExifTool:all --Composite:all --JFIF:all "$@" |
         python3 -c 'import json,sys; d=json.load(sys.stdin)[0]; d.pop("SourceFile"); print(json.dumps(d, sort_keys=True, indent=0))'; }
blob() { exiftool -b "-$1" "$2"; }

python3 "$SOURCE/tests/e2e/makebmp.py" a.bmp 64 48 gradient
cjpeg -quality 95 -outfile camera.jpg a.bmp
meta icc profile.icc 100000
exiftool -q -overwrite_original -Make=ZavoCam -Orientation#=6 "-DateTimeOriginal=2024:05:01 10:20:30" \
  -GPSLatitude=35.5 -GPSLatitudeRef=N -GPSLongitude=139.7 -GPSLongitudeRef=E -XMP-dc:Title=Harbour \
  -IPTC:Keywords=boat -Comment=hello "-ICC_Profile<=profile.icc" camera.jpg
[ "$(exiftool -s -s -s -GPSLatitudeRef camera.jpg)" = North ] || fail "the test file has no GPS"
[ "$(meta segments camera.jpg | grep -c '^E2 ')" -ge 2 ] || fail "the test profile is not in several chunks"

echo "== none: the window's default bytes, no metadata"
run -q 80 -o none camera.jpg
[ "$rc" = 0 ] || fail "none: $(cat err.txt)"
run -q 80 --copy none -o none2 camera.jpg
cmp none/camera.jpg none2/camera.jpg || fail "--copy none differs from the default"
[ "$(tags none/camera.jpg)" = "{}" ] || fail "none kept: $(tags none/camera.jpg)"

echo "== all: every tag, the XMP and the profile unchanged, payloads byte for byte"
run -q 80 --copy all -o all camera.jpg
[ "$rc" = 0 ] || fail "all: $(cat err.txt)"
[ "$(tags all/camera.jpg)" = "$(tags camera.jpg)" ] || fail "all: tags differ: $(diff <(tags camera.jpg) <(tags all/camera.jpg))"
for b in EXIF XMP IPTC ICC_Profile Comment; do
  cmp <(blob "$b" camera.jpg) <(blob "$b" all/camera.jpg) || fail "all: $b differs"
done
diff <(meta segments camera.jpg | grep -v '^E0 4a464946\|^EE 41646f6265') <(meta segments all/camera.jpg | grep -v '^E0 4a464946') ||
  fail "all: segments differ"
[ "$(exiftool -s -s -s -n -Orientation all/camera.jpg)" = 6 ] || fail "all: orientation"
extra=$(( $(stat -c %s all/camera.jpg) - $(stat -c %s none/camera.jpg) ))
grep -q ", metadata $extra bytes$" out.txt || fail "all: the text line does not give $extra metadata bytes: $(cat out.txt)"

echo "== icc: the profile only"
run -q 80 --copy icc --json -o icc camera.jpg
[ "$rc" = 0 ] || fail "icc: $(cat err.txt)"
cmp <(blob ICC_Profile camera.jpg) <(blob ICC_Profile icc/camera.jpg) || fail "icc: profile differs"
[ -z "$(exiftool -s -s -s -EXIF:all -XMP:all -IPTC:all -Comment icc/camera.jpg)" ] || fail "icc kept more than the profile"
extra=$(( $(stat -c %s icc/camera.jpg) - $(stat -c %s none/camera.jpg) ))
[ "$(python3 -c 'import json,sys; print(json.loads(sys.argv[1])["metadata_size"])' "$(cat out.txt)")" = "$extra" ] ||
  fail "icc: the JSON line does not give $extra metadata bytes: $(cat out.txt)"

echo "== strip GPS: GPS tags gone, every other tag kept"
run -q 80 --copy all --strip-gps -o strip camera.jpg
[ "$rc" = 0 ] || fail "strip: $(cat err.txt)"
[ -z "$(exiftool -s -s -s -GPS:all strip/camera.jpg)" ] || fail "strip: GPS left: $(exiftool -GPS:all strip/camera.jpg)"
diff <(tags --GPS:all camera.jpg) <(tags strip/camera.jpg) || fail "strip: other tags changed"
[ "$(exiftool -s -s -s -n -Orientation strip/camera.jpg)" = 6 ] || fail "strip: orientation"
for b in XMP IPTC ICC_Profile Comment; do
  cmp <(blob "$b" camera.jpg) <(blob "$b" strip/camera.jpg) || fail "strip: $b differs"
done

echo "== a malformed EXIF: copied as it is, refused for the strip with the rest saved"
meta badexif none/camera.jpg bad.jpg
run -q 80 --copy all -o badall bad.jpg
[ "$rc" = 0 ] || fail "malformed, all: $(cat err.txt)"
diff <(meta segments bad.jpg) <(meta segments badall/bad.jpg) || fail "malformed EXIF not copied as it is"
run -q 80 --copy all --strip-gps -o badstrip bad.jpg
[ "$rc" = 0 ] || fail "malformed, strip: exit $rc"
grep -qx "zavo-batch: bad.jpg: EXIF が壊れているため GPS 情報を削除できません。EXIF は保存されません" err.txt ||
  fail "malformed, strip: $(cat err.txt)"
meta segments badstrip/bad.jpg | grep -q '^E1 45786966' && fail "malformed EXIF written under --strip-gps"
meta segments badstrip/bad.jpg | grep -q '^E1 687474703a2f2f6e732e61646f62652e636f6d' || fail "the XMP was not saved"

echo "== a bitmap's embedded profile; a linked one is never followed"
meta bmp5 embedded.bmp profile.icc MBED
meta bmp5 linked.bmp "$work/profile.icc" LINK
run --copy icc -o bmp embedded.bmp linked.bmp
[ "$rc" = 0 ] || fail "bitmaps: $(cat err.txt)"
cmp profile.icc <(blob ICC_Profile bmp/embedded.jpg) || fail "the bitmap's profile was not kept"
[ -z "$(blob ICC_Profile bmp/linked.jpg)" ] || fail "a linked profile was followed"

echo "== file lists: newline and NUL separated, standard input, names with blanks"
mkdir -p "in/sub dir"
cp camera.jpg "in/sub dir/one photo.jpg"
cp a.bmp "in/two.bmp"
find in -type f -print0 | sort -z > list0
run --files-from - -0 -o listed0 < list0
[ "$rc" = 0 ] || fail "-0 from standard input: $(cat err.txt)"
[ -f "listed0/one photo.jpg" ] && [ -f listed0/two.jpg ] || fail "-0: $(ls listed0)"
find in -type f | sort > list
run --files-from list -o listed camera.jpg
[ "$rc" = 0 ] && [ "$(wc -l < out.txt)" = 3 ] || fail "--files-from list: $(cat out.txt err.txt)"
cmp "listed0/one photo.jpg" "listed/one photo.jpg" || fail "the two lists wrote other bytes"
# A search that finds nothing is nothing to do.
run --files-from /dev/null
[ "$rc" = 0 ] || fail "an empty list: exit $rc"
for args in "-0 a.bmp" "--files-from" "--files-from missing.txt" "--copy exif a.bmp"; do
  # shellcheck disable=SC2086
  run $args
  [ "$rc" = 2 ] || fail "'$args': exit $rc"
done
echo "all passed"
