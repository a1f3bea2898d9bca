# The files an install holds, relative to its prefix, one a line and sorted. The batch program and
# its manual page are there when the build has it ($1 is 1).
expected_files() {
  {
    echo bin/zavo
    [ "$1" = 1 ] && echo bin/zavo-batch
    echo share/applications/zavo.desktop
    echo share/doc/zavo/changelog.gz
    echo share/doc/zavo/copyright
    for size in 16 32 48 64 128 256; do echo "share/icons/hicolor/${size}x${size}/apps/zavo.png"; done
    echo share/icons/hicolor/scalable/apps/zavo.svg
    echo share/man/man1/zavo.1.gz
    [ "$1" = 1 ] && echo share/man/man1/zavo-batch.1.gz
    echo share/metainfo/io.github.zavo.metainfo.xml
  } | LC_ALL=C sort
}

# The files of expected_files with every folder above them, so that a stray empty folder shows too.
expected_entries() {
  expected_files "$1" | while read -r f; do
    echo "$f"
    d=$(dirname "$f")
    while [ "$d" != . ]; do echo "$d"; d=$(dirname "$d"); done
  done | LC_ALL=C sort -u
}

fail() { echo "FAIL: $*" >&2; exit 1; }
