#!/usr/bin/env bash
# Builds the example product's installer and starts it under Wine. Without a
# display of your own, the robot walks the whole installation on a private
# Xvfb (the question, every wizard page, the progress window, the completion
# message) and keeps one picture per step in build/demo/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/build.sh

out="$root/build/demo"
mkdir -p "$out"
mkpackage=build/native/tools/mkpackage/mkpackage

. scripts/wine-env.sh

if [ -n "${DISPLAY:-}" ]; then
  "$mkpackage" build examples/writer/product.toml -o "$out/setup.exe" --stub build/win32/src/setup.exe
  export WINEPREFIX="$out/wineprefix"
  trap 'wineserver -k 2>/dev/null || true' EXIT
  prepare_prefix
  wine "$out/setup.exe"
  exit 0
fi

# The example with a few hundred pages more in its guide, so that the
# progress window stays long enough to be seen.
product="$out/walk-product"
rm -rf "$product"
cp -r examples/writer "$product"
mkdir -p "$product/files/docs/pages"
for i in $(seq -w 1 400); do
  printf 'Page %s of the guide.\r\n' "$i" >"$product/files/docs/pages/page-$i.txt"
done
"$mkpackage" build "$product/product.toml" -o "$out/walk-setup.exe" --stub build/win32/src/setup.exe

# Every walk starts from a system without the product.
prefix="$out/wineprefix-walk"
if [ -f "$prefix/e2e-ready" ]; then
  WINEPREFIX="$prefix" WINEARCH=win32 wine reg delete 'HKLM\Software\Example Writer' /f >/dev/null 2>&1 || true
  rm -rf "$prefix/drive_c/Program Files/Example Writer"
fi
rm -f "$out"/[0-9][0-9]-*.png
build/native/tests/e2e/demo_walk "$out/walk-setup.exe" "$out" "Installing Example Writer"
echo "pictures of every step: $out/"
