#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks it with dpkg-deb and lintian: its
# name, its files with their owners and modes, its computed and named dependencies, no lintian
# error, and no program without a manual page or hardening. Lintian's other tags are printed.
# usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION HAS_BATCH(0|1)
set -euo pipefail
build=$1 version=$3 batch=$4
. "$(dirname "$0")/files.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cpack -G DEB -B "$tmp" --config "$build/CPackConfig.cmake" > "$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; fail "cpack"; }
arch=$(dpkg --print-architecture)
deb=$tmp/zavo_${version}_${arch}.deb
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack made: $(ls "$tmp")"

# Every entry is owned by root; programs and folders are 755, other files 644.
dpkg-deb -c "$deb" > "$tmp/contents"
diff -u <({ echo usr; expected_entries "$batch" | sed 's|^|usr/|'; } | LC_ALL=C sort) \
        <(awk '{print $6}' "$tmp/contents" | sed 's|^\./||; s|/$||' | LC_ALL=C sort) \
  || fail "the package's files differ from the expected ones (- expected, + packaged)"
awk '$2 != "root/root" { print "owner:", $0; bad = 1 }
     { want = ($1 ~ /^d/ || $6 ~ /^\.\/usr\/bin\//) ? "rwxr-xr-x" : "rw-r--r--"
       if (substr($1, 2) != want) { print "mode:", $0; bad = 1 } }
     END { exit bad }' "$tmp/contents" || fail "owners or modes"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = zavo ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is $(field Architecture)"
# The libraries the programs link, each with the lowest version dpkg-shlibdeps worked out, and the
# packages that the programs load without linking them.
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//')
has_versioned() {
  local line
  while read -r line; do [[ $line == "$1 (>= "*")" ]] && return 0; done <<< "$depends"
  return 1
}
for lib in libc6 libstdc++6 libjpeg62-turbo libqt6core6 libqt6gui6 libqt6widgets6; do
  has_versioned "$lib" || fail "Depends lacks $lib with a version: $(field Depends)"
done
grep -Fxq "fonts-ipafont-gothic | fonts-japanese-gothic" <<< "$depends" || fail "Depends lacks the font: $(field Depends)"
[ "$(field Recommends)" = qt6-translations-l10n ] || fail "Recommends is $(field Recommends)"

mkdir "$tmp/root"
dpkg-deb -x "$deb" "$tmp/root"
for program in "$tmp"/root/usr/bin/*; do
  file -b "$program" | grep -q ', stripped' || fail "$(basename "$program") is not stripped"
done

lintian --pedantic --display-info --fail-on error "$deb" > "$tmp/lintian" 2> "$tmp/lintian.err" \
  || { cat "$tmp/lintian" "$tmp/lintian.err"; fail "lintian reports errors"; }
cat "$tmp/lintian"
# Every program has its manual page, readable, and is built with the distribution's hardening flags.
! grep -E ': (no-manual-page|hardening-[a-z-]+|groff-message|manpage-[a-z-]+)( |$)' "$tmp/lintian" \
  || fail "lintian finds programs without a readable manual page or without hardening"
echo "package $(basename "$deb"): ok"
