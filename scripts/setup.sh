#!/usr/bin/env bash
# Installs the Debian packages zavo needs to build, run and test, when any is missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libxcb1-dev libjpeg62-turbo-dev libjpeg-turbo-progs libexif-dev libimage-exiftool-perl
          fonts-ipafont-gothic libgtest-dev libbenchmark-dev xvfb xauth xdotool x11-utils imagemagick
          python3 openbox qt6-translations-l10n clang-14 libclang-rt-14-dev
          dpkg-dev file desktop-file-utils appstream lintian man-db)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
