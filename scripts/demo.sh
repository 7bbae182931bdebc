#!/usr/bin/env bash
# Builds an example product's installer and starts it under Wine:
#   scripts/demo.sh         the example writer (examples/writer)
#   scripts/demo.sh game    the example game (examples/game) on a Windows 9x
#                           platform without DirectX: its DirectX page, the
#                           DirectX setup (the project's stand-in library,
#                           which installs nothing) and the restart question
# Without a display of your own, the robot walks the whole installation on a
# private Xvfb (the question, every wizard page, the progress windows, the
# closing message) and keeps one picture per step in build/demo/ (the game's
# in build/demo/game/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

example=${1:-writer}
case "$example" in
  writer) name="Example Writer" ;;
  game) name="Example Game" ;;
  *) echo "usage: scripts/demo.sh [writer|game]" >&2; exit 2 ;;
esac

scripts/build.sh

out="$root/build/demo"
[ "$example" = game ] && out="$out/game"
mkdir -p "$out"
mkpackage=build/native/tools/mkpackage/mkpackage

. scripts/wine-env.sh

if ! win32_runnable; then
  "$mkpackage" build "examples/$example/product.toml" -o "$out/setup.exe" --stub build/win32/src/setup.exe
  echo "built $out/setup.exe, but cannot start it: $(win32_unrunnable_reason)" >&2
  exit 3
fi

if [ -n "${DISPLAY:-}" ]; then
  "$mkpackage" build "examples/$example/product.toml" -o "$out/setup.exe" --stub build/win32/src/setup.exe
  export WINEPREFIX="$out/wineprefix"
  trap 'wineserver -k 2>/dev/null || true' EXIT
  prepare_prefix
  if [ "$example" = game ]; then
    # Wine reports Windows 9x to this program; without DirectDraw the
    # installed DirectX counts as not found.
    wine reg add 'HKCU\Software\Wine\AppDefaults\setup.exe' /v Version /d win98 /f >/dev/null
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;ddraw=d" wine "$out/setup.exe"
  else
    wine "$out/setup.exe"
  fi
  exit 0
fi

# The example with a few thousand small files more, generated here for the
# walk only, so that its progress windows stay up for a second or two (each
# file costs one to a few milliseconds under Wine; their bytes hardly count).
product="$out/walk-product"
rm -rf "$product"
cp -r "examples/$example" "$product"
walk=()
if [ "$example" = game ]; then
  mkdir -p "$product/redist/Extra"
  for i in $(seq -w 1 1500); do
    printf 'Level %s\r\n' "$i" >"$product/files/levels/extra-$i.txt"
    printf 'Placeholder %s\r\n' "$i" >"$product/redist/Extra/part-$i.dat"
  done
  # The stand-in library of this build, wherever the copy lies.
  sed -i "s|\"[^\"]*/dsetup_stand_in.dll\"|\"$root/build/win32/tests/e2e/robot/dsetup_stand_in.dll\"|" \
    "$product/product.toml"
  walk=(--windows-9x)
else
  mkdir -p "$product/files/docs/pages"
  for i in $(seq -w 1 2000); do
    printf 'Page %s of the guide.\r\n' "$i" >"$product/files/docs/pages/page-$i.txt"
  done
fi
"$mkpackage" build "$product/product.toml" -o "$out/walk-setup.exe" --stub build/win32/src/setup.exe

# Every walk starts from a system without the product.
prefix="$out/wineprefix-walk"
if [ -f "$prefix/e2e-ready" ]; then
  WINEPREFIX="$prefix" WINEARCH=win32 wine reg delete "HKLM\\Software\\$name" /f >/dev/null 2>&1 || true
  rm -rf "$prefix/drive_c/Program Files/$name"
fi
rm -f "$out"/[0-9][0-9]-*.png
build/native/tests/e2e/demo_walk "$out/walk-setup.exe" "$out" "Installing $name" "${walk[@]}"
echo "pictures of every step: $out/"
