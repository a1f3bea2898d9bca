#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands there: exactly the expected
# files, a desktop entry and AppStream metadata that validate and point at installed files, and
# icons of the window icon's design.
# usage: prefix_test.sh BUILD_DIR SOURCE_DIR VERSION HAS_BATCH(0|1)
set -euo pipefail
build=$1 src=$2 version=$3 batch=$4
here=$(dirname "$0")
. "$here/files.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cmake --install "$build" --prefix "$tmp/usr" > "$tmp/install.log"
diff -u <(expected_entries "$batch") <(cd "$tmp/usr" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort) \
  || fail "the installed files differ from the expected ones (- expected, + installed)"

desktop=$tmp/usr/share/applications/zavo.desktop
metainfo=$tmp/usr/share/metainfo/io.github.zavo.metainfo.xml
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"

# The entry starts the program with no file argument, by a name the prefix's bin holds.
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ "$exec_line" = zavo ] || fail "Exec is '$exec_line'"
[ -x "$tmp/usr/bin/$exec_line" ] || fail "Exec names $exec_line, which is not installed"
icon=$(sed -n 's/^Icon=//p' "$desktop")
python3 "$here/icon_design.py" "$src/src/app/MAINICON.xpm" "$tmp/usr/share/icons/hicolor" "$icon" \
  || fail "icons named $icon differ from the window icon"

# The metadata names the desktop entry and the programs that are installed.
python3 - "$metainfo" "$tmp/usr" <<'PY' || fail "metadata points at files that are not installed"
import os, sys, xml.etree.ElementTree as ET
root, prefix = ET.parse(sys.argv[1]).getroot(), sys.argv[2]
wanted = [f"share/applications/{e.text}" for e in root.iter("launchable") if e.get("type") == "desktop-id"]
wanted += [f"bin/{e.text}" for e in root.iter("binary")]
missing = [w for w in wanted if not os.path.exists(os.path.join(prefix, w))]
print("\n".join(missing))
sys.exit(1 if missing or not wanted else 0)
PY

# The newest release named in the metadata and in the changelog is the project's version.
release=$(python3 -c 'import sys, xml.etree.ElementTree as ET
print(next(ET.parse(sys.argv[1]).getroot().iter("release")).get("version"))' "$metainfo")
[ "$release" = "$version" ] || fail "metadata release $release, project version $version"
changed=$(zcat "$tmp/usr/share/doc/zavo/changelog.gz" | dpkg-parsechangelog -l - -S Version)
[ "$changed" = "$version" ] || fail "changelog version $changed, project version $version"
# Each manual page is compressed as Debian's policy asks (gzip -9 -n: the header's name flag clear,
# no time stamp, the best-compression mark), reads without a warning from man, has a whatis line
# for its program, its exit codes and an example; zavo-batch's names every option its --help lists.
for page in "$tmp"/usr/share/man/man1/*.1.gz; do
  name=$(basename "$page" .1.gz)
  header=$(od -An -tx1 -N9 "$page" | tr -d ' \n')
  [ "$header" = 1f8b080000000000"02" ] || fail "$name.1.gz is not made by gzip -9n (header $header)"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 > "$tmp/$name.txt") \
    || fail "man cannot read $name.1.gz: $warnings"
  [ -z "$warnings" ] || fail "man warns about $name.1.gz: $warnings"
  lexgrog "$page" | grep -Fq ": \"$name - " || fail "no whatis line for $name in $name.1.gz"
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" EXAMPLES; do
    grep -qx "$section" "$tmp/$name.txt" || fail "$name.1.gz has no $section section"
  done
done
if [ "$batch" = 1 ]; then
  source_text=$(zcat "$tmp/usr/share/man/man1/zavo-batch.1.gz" | sed 's/\\-/-/g')
  options=$("$tmp/usr/bin/zavo-batch" --help | grep -E '^  -' | grep -oE '(^|[ ,])--?[a-z][a-z-]*' | tr -d ' ,')
  [ -n "$options" ] || fail "zavo-batch --help lists no option"
  for option in $options; do
    grep -Fq -- "$option" <<< "$source_text" || fail "zavo-batch.1.gz does not name $option"
  done
fi
echo "install into a prefix: ok"
