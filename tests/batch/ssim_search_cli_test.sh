#!/usr/bin/env bash
# --min-ssim and --min-local-ssim, alone and with --max-size, on a picture whose SSIM does not grow
# steadily with quality: the quality chosen is checked against an independent computation of every
# quality's figures, and files that no quality suits are reported and skipped.
source "$(dirname "$0")/common.sh"
export QT_QPA_PLATFORM=xcb

python3 "$SOURCE/tests/e2e/makebmp.py" g.bmp 64 64 gradient
python3 "$SOURCE/tests/batch/quality_curve.py" g.bmp > curve.txt

# Checks the JSON line in out.txt: the quality expected, the bytes cjpeg writes at it, and the
# figures the oracle gives for it.
check_result() {
  local what=$1 expected=$2
  [ "$rc" = 0 ] || fail "$what: exit $rc: $(cat err.txt)"
  python3 - "$(cat out.txt)" "$expected" curve.txt <<'PY' || fail "$what: $(cat out.txt)"
import json, sys
r = json.loads(sys.argv[1])
expected = int(sys.argv[2])
assert r["quality"] == expected, ("quality", r["quality"], "expected", expected)
q, size, psnr, ssim, worst, x, y = open(sys.argv[3]).read().splitlines()[expected - 1].split()
assert r["result_size"] == int(size), (r["result_size"], size)
assert abs(r["psnr_db"] - float(psnr)) < 0.001, (r["psnr_db"], psnr)
assert abs(r["ssim"] - float(ssim)) < 1e-5, (r["ssim"], ssim)
assert abs(r["worst_ssim"] - float(worst)) < 1e-5, (r["worst_ssim"], worst)
assert (r["worst_x"], r["worst_y"]) == (int(x), int(y)), (r["worst_x"], r["worst_y"], x, y)
PY
  cjpeg -quality "$expected" -baseline -dct float -outfile ref.jpg g.bmp
  cmp ref.jpg "$(json_target)" || fail "$what: the result differs from cjpeg at $expected"
}
json_target() { python3 -c 'import json,sys; print(json.load(sys.stdin)["target"])' < out.txt; }

# Shares between two figures of the curve, at least 1e-4 from each (the program keeps each window's
# SSIM in single precision).
cat > shares.py <<'PY'
def load(path, column):
    rows = [l.split() for l in open(path)]
    return [None] + [int(r[1]) for r in rows], [None] + [float(r[column]) for r in rows]

def shares(figure):
    values = sorted(set(figure[1:]))
    return [(a + b) / 2 for a, b in zip(values, values[1:]) if b - a >= 2e-4]
PY

echo "== the lowest quality reaching a share, where a binary search alone misses it"
for option in --min-ssim --min-local-ssim; do
  column=$([ "$option" = --min-ssim ] && echo 3 || echo 4)
  # A share for which a binary search that trusts the order errs by at most the three qualities
  # the program looks below its candidate.
  read -r share expected < <(python3 - curve.txt "$column" <<'PY'
import sys
from shares import load, shares
_, figure = load(sys.argv[1], int(sys.argv[2]))
def binary(share):
    low, high, best = 1, 100, 101
    while low <= high:
        mid = (low + high) // 2
        if figure[mid] >= share: best, high = mid, mid - 1
        else: low = mid + 1
    return best
for share in shares(figure):
    lowest = min(q for q in range(1, 101) if figure[q] >= share)
    if lowest < binary(share) <= lowest + 3:
        print('%.6f' % share, lowest)
        break
PY
  )
  [ -n "${expected:-}" ] || fail "$option: the test picture's figure grows with quality everywhere"
  echo "$option $share: quality $expected"
  run "$option" "$share" --json -o "low$column" g.bmp
  check_result "$option $share" "$expected"
  expected=
done

echo "== the highest quality within a size that reaches a share"
# A size whose highest fitting quality falls short of the share while one a little below reaches it.
read -r limit share expected < <(python3 - curve.txt <<'PY'
import sys
from shares import load, shares
size, figure = load(sys.argv[1], 3)
def done():
    for limit in sorted(set(size[1:])):
        fitting = [q for q in range(1, 101) if size[q] <= limit]
        for share in shares(figure):
            meeting = [q for q in fitting if figure[q] >= share]
            if meeting and max(fitting) - 3 <= max(meeting) < max(fitting):
                return limit, share, max(meeting)
limit, share, expected = done()
print(limit, '%.6f' % share, expected)
PY
)
echo "--max-size $limit --min-ssim $share: quality $expected"
run --max-size "$limit" --min-ssim "$share" --json -o within g.bmp
check_result "--max-size $limit --min-ssim $share" "$expected"

echo "== files that no quality suits are skipped"
cp g.bmp h.bmp
run --min-ssim 1 -o none g.bmp h.bmp
[ "$rc" = 1 ] || fail "--min-ssim 1: exit $rc"
grep -qx "zavo-batch: g.bmp: no quality reaches SSIM 1 (quality 100: SSIM 0.99.*)" err.txt || fail "--min-ssim 1: $(cat err.txt)"
[ ! -s out.txt ] && [ ! -e none/g.jpg ] && [ ! -e none/h.jpg ] || fail "--min-ssim 1 wrote a result"
# The qualities that fit in the size of quality 40 lie far below 90, whose SSIM is asked for.
read -r limit share < <(awk '$1 == 40 { limit = $2 } $1 == 90 { share = $4 } END { print limit, share }' curve.txt)
run --max-size "$limit" --min-ssim "$share" --json -o none g.bmp
[ "$rc" = 1 ] || fail "--max-size $limit --min-ssim $share: exit $rc"
grep -q "\"error\":\"no quality within $limit bytes reaches SSIM $share (quality [0-9]*: SSIM" out.txt ||
  fail "--max-size $limit --min-ssim $share: $(cat out.txt)"
[ ! -e none/g.jpg ] || fail "a file no quality within the size suits was written"
echo "all passed"
