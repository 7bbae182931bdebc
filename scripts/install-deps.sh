#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian 12: the i386
# architecture, the mingw-w64 cross compiler with its zlib, Wine, Xvfb, the
# native libraries, clang with its sanitizer and libFuzzer runtimes (and the
# symbolizer for their stack traces), and the signing tools of the signed
# installer's scenario. Quick when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  zlib1g-dev libgtest-dev googletest libbenchmark-dev
  libtomlplusplus-dev libcli11-dev nlohmann-json3-dev
  g++-mingw-w64-i686 libz-mingw-w64-dev
  wine wine32:i386 wine64
  xvfb xauth x11-apps imagemagick
  clang-14 libclang-rt-14-dev llvm-14
  osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
  name=${p%%:*}
  arch=${p#*:}; [ "$arch" = "$p" ] && arch=""
  query=$name; [ -n "$arch" ] && query="$name:$arch"
  if ! dpkg-query -W -f='${Status}' "$query" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "installing: ${missing[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
