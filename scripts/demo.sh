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
own_display=""
if [ -z "${DISPLAY:-}" ]; then
  start_display
  own_display=1
fi
trap 'wineserver -k 2>/dev/null || true; stop_display' EXIT

prepare_prefix

if [ -n "$own_display" ]; then
  # Nobody to click here: show the first question, keep a screenshot, end.
  wine "$out/setup.exe" &
  pid=$!
  sleep 5
  xwd -root -silent | convert xwd:- "$out/screenshot.png"
  echo "screenshot of the running installer: $out/screenshot.png"
  wineserver -k 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
else
  wine "$out/setup.exe"
fi
