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
echo "install into a prefix: ok"
