#!/usr/bin/env bash
# zavo-batch as a user runs it, without a display: the bytes against cjpeg, the figures against an
# independent computation, the quality search on sizes that do not grow with quality, every exit
# code, failures among good files, and the rules that keep existing files.
source "$(dirname "$0")/common.sh"
export QT_QPA_PLATFORM=xcb
mk() { python3 "$SOURCE/tests/e2e/makebmp.py" "$@"; }
json_field() { python3 -c 'import json,sys; print(json.loads(sys.argv[1])[sys.argv[2]])' "$1" "$2"; }

mk a.bmp 317 211 gradient
mk b.bmp 200 120 bands

echo "== bytes as cjpeg writes them"
for q in 1 37 80 100; do
  run -q "$q" -o "q$q" a.bmp b.bmp
  [ "$rc" = 0 ] || fail "quality $q: exit $rc: $(cat err.txt)"
  for n in a b; do
    cjpeg -quality "$q" -baseline -dct float -outfile "ref.jpg" "$n.bmp"
    cmp "ref.jpg" "q$q/$n.jpg" || fail "quality $q: $n.jpg differs from cjpeg"
  done
  grep -q "^a.bmp: 200926 -> $(stat -c %s "q$q/a.jpg") bytes ($(( $(stat -c %s "q$q/a.jpg") / 1024 )) k), quality $q, PSNR [0-9.]* dB, SSIM [01]\.[0-9][0-9][0-9] (worst -\?[01]\.[0-9][0-9][0-9] at [0-9]*,[0-9]*)$" out.txt ||
    fail "quality $q: line: $(cat out.txt)"
  [ "$(head -1 out.txt | cut -d: -f1)" = a.bmp ] || fail "lines not in command-line order"
done
[ ! -s err.txt ] || fail "stderr not empty without a terminal: $(cat err.txt)"

echo "== figures against an independent computation"
# One job measures after compressing; two jobs for one file measure while compressing.
for jobs in 1 2; do
  run -q 30 --json --jobs "$jobs" -o "fig$jobs" a.bmp
  [ "$rc" = 0 ] || fail "figures run, $jobs jobs: $(cat err.txt)"
  line=$(cat out.txt)
  djpeg -dct float -grayscale -pnm -outfile decoded.pgm "fig$jobs/a.jpg"
  read -r psnr ssim worst x y < <(python3 "$SOURCE/tests/batch/ssim_oracle.py" a.bmp decoded.pgm)
  python3 - "$line" "$psnr" "$ssim" "$worst" "$x" "$y" <<'PY' || fail "figures differ, $jobs jobs: $line vs $psnr $ssim $worst $x $y"
import json, sys
r = json.loads(sys.argv[1])
assert abs(r["psnr_db"] - float(sys.argv[2])) < 0.05, (r["psnr_db"], sys.argv[2])
assert abs(r["ssim"] - float(sys.argv[3])) < 0.01, (r["ssim"], sys.argv[3])
assert r["ssim"] < 0.99, r["ssim"]
assert abs(r["worst_ssim"] - float(sys.argv[4])) < 1e-5, (r["worst_ssim"], sys.argv[4])
assert (r["worst_x"], r["worst_y"]) == (int(sys.argv[5]), int(sys.argv[6])), (r["worst_x"], r["worst_y"])
PY
done

echo "== --max-size where size does not grow with quality"
mk m.bmp 64 64 bands
for q in $(seq 1 100); do cjpeg -quality "$q" -baseline -dct float "m.bmp" | wc -c; done > sizes.txt
read -r limit expected < <(python3 - sizes.txt <<'PY'
import sys
size = [0] + [int(l) for l in open(sys.argv[1])]
def naive(limit):
    lo, hi, best = 1, 100, 0
    while lo <= hi:
        mid = (lo + hi) // 2
        if size[mid] <= limit: best, lo = mid, mid + 1
        else: hi = mid - 1
    return best
for q in range(1, 100):
    if size[q] > size[q + 1]:
        limit = size[q + 1]
        best = max(p for p in range(1, 101) if size[p] <= limit)
        if naive(limit) != best:
            print(limit, best)
            break
PY
)
[ -n "${expected:-}" ] || fail "the test picture's sizes grow with quality everywhere"
run --max-size "$limit" --json -o max m.bmp
[ "$rc" = 0 ] || fail "--max-size $limit: $(cat err.txt)"
[ "$(json_field "$(cat out.txt)" quality)" = "$expected" ] || fail "--max-size $limit: $(cat out.txt), expected quality $expected"
cjpeg -quality "$expected" -baseline -dct float -outfile ref.jpg m.bmp
cmp ref.jpg max/m.jpg || fail "--max-size result differs from cjpeg at $expected"
run --max-size 1k -o tiny a.bmp
[ "$rc" = 1 ] || fail "a picture that never fits: exit $rc"
grep -q "a.bmp: does not fit in 1024 bytes even at quality 1" err.txt || fail "never fits: $(cat err.txt)"
[ ! -e tiny/a.jpg ] || fail "a picture that never fits was written"

echo "== text in a metafile is drawn"
# The name's extension in capitals: the reader is chosen without regard to case.
python3 "$SOURCE/tests/batch/textwmf.py" TEXT.WMF
run -q 90 -o text TEXT.WMF
[ "$rc" = 0 ] || fail "text metafile: exit $rc: $(cat err.txt)"
djpeg -grayscale -pnm -outfile text.pgm text/TEXT.jpg
dark=$(python3 -c 'import sys; d = open(sys.argv[1], "rb").read().split(b"\n", 3)[3]; print(sum(b < 128 for b in d))' text.pgm)
[ "$dark" -gt 100 ] || fail "the text was not drawn ($dark dark pixels)"

echo "== a bad file among good ones"
printf 'BMjunk' > bad.bmp
run -o mixed a.bmp bad.bmp missing.emf photo.png b.bmp
[ "$rc" = 1 ] || fail "bad files: exit $rc"
[ -s mixed/a.jpg ] && [ -s mixed/b.jpg ] || fail "good files not written next to bad ones"
[ ! -e mixed/bad.jpg ] && [ ! -e mixed/missing.jpg ] && [ ! -e mixed/photo.jpg ] || fail "a failed file was written"
grep -qx "zavo-batch: bad.bmp: ストリームからの読み込みエラー." err.txt || fail "bad.bmp: $(cat err.txt)"
grep -qx "zavo-batch: missing.emf: ファイル missing.emf は開けません." err.txt || fail "missing.emf: $(cat err.txt)"
grep -qx "zavo-batch: photo.png: 拡張子 .png の画像形式は処理できません." err.txt || fail "photo.png: $(cat err.txt)"
[ "$(wc -l < out.txt)" = 2 ] || fail "stdout: $(cat out.txt)"
ls -A mixed | grep -v '\.jpg$' && fail "temporary files left in the output folder"

echo "== existing files and sources are kept"
cp q80/a.jpg keep.jpg
run -q 20 -o q80 a.bmp
[ "$rc" = 1 ] || fail "existing result: exit $rc"
grep -q "exists" err.txt || fail "existing result: $(cat err.txt)"
cmp keep.jpg q80/a.jpg || fail "an existing result was replaced without --overwrite"
run -q 20 -o q80 --overwrite a.bmp
[ "$rc" = 0 ] || fail "--overwrite: exit $rc"
cjpeg -quality 20 -baseline -dct float -outfile ref.jpg a.bmp
cmp ref.jpg q80/a.jpg || fail "--overwrite did not write the new bytes"
cp q80/a.jpg src.jpg
cp src.jpg src-before.jpg
run --overwrite src.jpg
[ "$rc" = 1 ] || fail "a JPEG beside itself: exit $rc"
grep -q "is the source" err.txt || fail "source: $(cat err.txt)"
cmp src.jpg src-before.jpg || fail "the source was changed"
mkdir -p two
cp a.bmp two/a.bmp
run -o same a.bmp two/a.bmp
[ "$rc" = 1 ] || fail "two sources for one result: exit $rc"
grep -q "two/a.bmp: .* is also the result of a.bmp" err.txt || fail "one result twice: $(cat err.txt)"
cmp <(cjpeg -quality 80 -baseline -dct float a.bmp) same/a.jpg || fail "the first of two sources was not written"

echo "== parallel jobs write what one job writes"
mkdir -p many
for i in $(seq 1 8); do cp a.bmp "many/a$i.bmp"; cp b.bmp "many/b$i.bmp"; done
run --jobs 1 -o one many/*.bmp
[ "$rc" = 0 ] || fail "--jobs 1: $(cat err.txt)"
cp out.txt one.txt
run --jobs 3 -o three many/*.bmp
[ "$rc" = 0 ] || fail "--jobs 3: $(cat err.txt)"
diff -r one three || fail "--jobs 3 wrote other bytes"
diff one.txt out.txt || fail "--jobs 3 printed other lines or another order"

echo "== exit code 2 and the usage text"
for args in "" "-q 0 a.bmp" "-q 80 --max-size 10k a.bmp" "--jobs x a.bmp" "--bogus a.bmp" "--max-size 5G a.bmp" \
            "--min-ssim 0 a.bmp" "--min-local-ssim 1.5 a.bmp" "--min-ssim .9x a.bmp" "--min-ssim 0.9 -q 80 a.bmp"; do
  # shellcheck disable=SC2086
  run -o usage $args
  [ "$rc" = 2 ] || fail "'$args': exit $rc"
  grep -q "^usage: zavo-batch" err.txt || fail "'$args': no usage text"
  [ ! -e usage ] || fail "'$args' wrote something"
done
run --help
[ "$rc" = 0 ] && grep -q "^usage: zavo-batch" out.txt || fail "--help"

echo "== a progress bar on a terminal only"
script -qec "$BATCH -o tty a.bmp b.bmp" /dev/null > tty.txt
grep -q "\[#*\.*\] *[0-9]/2" tty.txt || fail "no progress bar on a terminal: $(cat -v tty.txt)"
echo "all passed"
