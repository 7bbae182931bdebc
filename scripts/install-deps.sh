#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian 12: the i386
# architecture, the mingw-w64 cross compiler with its zlib, the LZMA C sources
# (lzma-dev: the setup program and the builder compile them), Wine, Xvfb, the
# native libraries, clang with its sanitizer and libFuzzer runtimes (and the
# symbolizer for their stack traces), the signing tools of the signed
# installer's scenario, and the YAML and JSON-schema modules that validate
# the package manifests. Quick when everything is already there.
#
# Package mirrors are not always consistent: one in the middle of a sync serves
# an index whose size differs from its Release file. So the index update is
# retried, a failed index does not stop the install, and when the install then
# fails (the i386 twin of a library that only the missing index lists cannot
# match its amd64 version), it is tried once more with the suites whose index
# failed pinned below the others, for this install only.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  zlib1g-dev lzma-dev libgtest-dev googletest libbenchmark-dev
  libtomlplusplus-dev libcli11-dev nlohmann-json3-dev
  g++-mingw-w64-i686 libz-mingw-w64-dev
  wine wine32:i386 wine64
  xvfb xauth x11-apps imagemagick
  clang-14 libclang-rt-14-dev llvm-14
  osslsigncode openssl
  python3 python3-yaml python3-jsonschema
  locales
)

is_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    is_installed "$p" || echo "$p"
  done
}

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# The locales the language scenarios give Wine (German, Russian, and
# Japanese for a code page no translation has): Debian's base has none, so
# they are made from the locales package's sources when missing.
make_locales() {
  command -v localedef >/dev/null || return 0
  local l
  for l in de_DE ru_RU ja_JP; do
    locale -a 2>/dev/null | grep -qix "$l.utf8" || $sudo localedef -i "$l" -f UTF-8 "$l.UTF-8"
  done
}

mapfile -t missing < <(missing_packages)
if [ ${#missing[@]} -eq 0 ]; then
  make_locales
  exit 0
fi
echo "installing: ${missing[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The suites whose index could not be fetched, from apt-get update's errors
# ("Failed to fetch http://host/debian-security/dists/bookworm-security/...").
failed_suites() {
  grep -o 'Failed to fetch [^ ]*/dists/[^/ ]*' "$work/update.log" |
    sed 's|.*/dists/||' | sort -u
}

updated=no
for pause in 10 30 0; do
  if $sudo apt-get update -qq >"$work/update.log" 2>&1; then
    updated=yes
    break
  fi
  cat "$work/update.log" >&2
  [ "$pause" -gt 0 ] || break
  echo "apt-get update failed; trying again in ${pause} s" >&2
  sleep "$pause"
done
if [ "$updated" = no ]; then
  echo "warning: some package indexes could not be fetched; going on with the others" >&2
fi

install() {
  $sudo apt-get install -y -qq --no-install-recommends "$@" "${missing[@]}" \
    >"$work/install.log" 2>&1
}

if ! install; then
  mapfile -t suites < <([ "$updated" = no ] && failed_suites)
  if [ ${#suites[@]} -eq 0 ]; then
    cat "$work/install.log" >&2
    echo "error: could not install: ${missing[*]}" >&2
    exit 1
  fi
  # Pinned low, a suite whose i386 index is missing no longer lifts the amd64
  # libraries above the versions the other suites offer for both architectures.
  : >"$work/preferences"
  for s in "${suites[@]}"; do
    printf 'Package: *\nPin: release n=%s\nPin-Priority: 50\n\n' "$s" >>"$work/preferences"
  done
  echo "the install failed; trying again with ${suites[*]} pinned low (index missing)" >&2
  if ! install -o Dir::Etc::Preferences="$work/preferences"; then
    cat "$work/install.log" >&2
    echo "error: could not install: ${missing[*]}" >&2
    exit 1
  fi
fi

mapfile -t still < <(missing_packages)
if [ ${#still[@]} -ne 0 ]; then
  echo "error: still not installed: ${still[*]}" >&2
  exit 1
fi
make_locales
