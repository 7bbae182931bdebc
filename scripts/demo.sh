#!/usr/bin/env bash
# Builds the example product's installer and starts it under Wine. Without a
# display of your own it runs on a private Xvfb and saves a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/build.sh

out="$root/build/demo"
mkdir -p "$out"
build/native/tools/mkpackage/mkpackage build examples/writer/product.toml \
  -o "$out/setup.exe" --stub build/win32/src/setup.exe

. scripts/wine-env.sh
export WINEPREFIX="$out/wineprefix"
if [ -z "${DISPLAY:-}" ]; then
  start_display
  trap 'WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true; stop_display' EXIT
  wine "$out/setup.exe" &
  pid=$!
  sleep 8
  xwd -root -silent | convert xwd:- "$out/screenshot.png"
  echo "screenshot: $out/screenshot.png"
  WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
else
  wine "$out/setup.exe"
fi
