#!/usr/bin/env bash
# Builds the same descriptions with the Linux mkpackage and with mkpackage.exe
# under Wine and requires byte-identical installers: the example product, a
# starter product, and a small product whose files exercise what the two
# systems report differently if one is careless (sub-second times, a
# read-only file, names outside ASCII, globs over several levels, code page
# 1251 texts).
#   agreement.sh NATIVE_MKPACKAGE WINDOWS_MKPACKAGE EXAMPLE_DIR WORK_DIR WINEPREFIX SOURCE_ROOT
set -euo pipefail
native=$1 windows=$2 example=$3 work=$4
export WINEPREFIX=$5
. "$6/scripts/wine-env.sh"
prepare_prefix

rm -rf "$work"
mkdir -p "$work"
cd "$work"

both() {  # both NAME DESCRIPTION [more arguments]
  local name=$1 description=$2
  shift 2
  "$native" build "$description" -o "$name-linux.exe" -q "$@"
  wine "$windows" build "$description" -o "$name-windows.exe" -q "$@"
  if ! cmp "$name-linux.exe" "$name-windows.exe"; then
    echo "FAIL: $name: the two builds differ" >&2
    exit 1
  fi
  echo "same bytes: $name ($(stat -c %s "$name-linux.exe") bytes)"
}

# The example product, each build with its own default program image: the
# configured win32 tree on Linux, the setup.exe next to mkpackage.exe on Windows.
both example "$example/product.toml"
both example-de "$example/product-de.toml"

"$native" new starter --name "Starter" >/dev/null
both starter starter/product.toml

mkdir -p mixed/data/one mixed/data/two mixed/data/.hidden
printf 'top\r\n' > mixed/top.txt
printf 'alpha' > mixed/data/one/apple.txt
printf 'beta' > mixed/data/one/zebra.txt
printf 'gamma' > mixed/data/two/kiwi.txt
printf '\xD0\x96' > mixed/data/two/$'\xD0\x96\xD1\x83\xD0\xBA'.txt  # Жук.txt
head -c 200000 /dev/urandom > mixed/data/ab.bin
printf 'secret' > mixed/data/.hidden/h.txt
touch -d '2021-03-04 05:06:07.123456789 UTC' mixed/data/one/apple.txt
touch -d '1999-12-31 23:59:59.999999999 UTC' mixed/data/two/kiwi.txt
chmod 444 mixed/data/one/zebra.txt
cat > mixed/product.toml <<'TOML'
code-page = 1251
[product]
name = "Агент"
default-folder = "C:\\Агент\\"
[[components]]
name = "Файлы"
files = [
  "top.txt",
  { folder = "data", to = "All" },
  { glob = "data/*/[a-m]*.txt", to = "Picked" },
  { glob = "data/??.bin", to = "Bin" },
  { glob = "d[a]ta/.*/*", to = "Hidden" },
]
TOML
both mixed mixed/product.toml
# The files really carried what the comparison is meant to cover.
report=$("$native" inspect mixed-linux.exe)
for expected in 'attributes 0x00000021 (read-only, archive)' '2021-03-04 05:06:07 UTC' '1999-12-31 23:59:59 UTC' \
    $'"All\\\\two\\\\\xD0\x96\xD1\x83\xD0\xBA.txt"' '"Hidden\\h.txt"' 'texts in code page 1251' 'verified: OK'; do
  if ! grep -qF -- "$expected" <<<"$report"; then
    echo "FAIL: the mixed installer lacks $expected" >&2
    exit 1
  fi
done
echo "all builds agree"
