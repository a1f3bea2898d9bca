#!/usr/bin/env bash
# Whole-process times of zavo-batch: one 12 MP bitmap at quality 80 against cjpeg on the same file,
# and 100 copies of a 2 MP bitmap with one and with two jobs. Medians of RUNS runs (default 5); the
# two sides of each comparison take turns, so that a change of the machine's load hits both.
# Usage: batch_bench.sh BUILD-DIR   (a Release build; the photographs of its photos target, or
# those in $ZAVO_PHOTOS)
set -euo pipefail
batch=$1/src/batch/zavo-batch
photos=${ZAVO_PHOTOS:-$1/photos}
runs=${RUNS:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc; }
# Runs A and B by turns, RUNS times each; prints "median-of-A median-of-B".
compare() {
  local a=() b=() i
  for i in $(seq "$runs"); do
    rm -rf "$work/out"
    a+=("$(eval "seconds $1")")
    rm -rf "$work/out"
    b+=("$(eval "seconds $2")")
  done
  echo "samples: ${a[*]} / ${b[*]}" >&2
  echo "$(printf '%s\n' "${a[@]}" | median) $(printf '%s\n' "${b[@]}" | median)"
}

cp "$photos/photo12mp.bmp" "$work/p12.bmp"
mkdir -p "$work/many"
for i in $(seq 1 100); do ln "$photos/photo2mp.bmp" "$work/many/p$i.bmp" 2>/dev/null || cp "$photos/photo2mp.bmp" "$work/many/p$i.bmp"; done

echo "load before: $(uptime)"
read -r cj zb < <(compare 'cjpeg -quality 80 -dct float -outfile "$work/cj.jpg" "$work/p12.bmp"' \
                          '"$batch" -q 80 -o "$work/out" "$work/p12.bmp"')
echo "12 MP, quality 80: cjpeg $cj s, zavo-batch $zb s, ratio $(echo "scale=3; $zb / $cj" | bc)"
read -r j1 j2 < <(compare '"$batch" -q 80 --jobs 1 -o "$work/out" "$work"/many/*.bmp' \
                          '"$batch" -q 80 --jobs 2 -o "$work/out" "$work"/many/*.bmp')
echo "100 x 2 MP: --jobs 1 $j1 s, --jobs 2 $j2 s, speed-up $(echo "scale=3; $j1 / $j2" | bc)"
echo "load after: $(uptime)"
