#!/usr/bin/env bash
# Installs the Debian packages Lamelin needs to build, test and run, when they are missing.
set -euo pipefail
# fonts-liberation2: the metric equivalents of Arial, Times New Roman and Courier New, the fonts the
# printed reports are laid out in.
packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-translations-l10n libzip-dev zlib1g-dev pxlib-dev
          libgtest-dev libsqlite3-dev xvfb xauth xdotool x11-utils poppler-utils fonts-liberation2
          clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Instaluji: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
