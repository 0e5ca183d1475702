#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine and starts Lamelin on the default data
# directory (prepared by lamelin-setup when none exists).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
"$build/tools/lamelin-setup"
if [ -x "$build/src/app/lamelin" ]; then
  exec "$build/src/app/lamelin"
else
  echo "Program lamelin zatím nemá hlavní okno; datový adresář je připraven (viz výše)."
fi
