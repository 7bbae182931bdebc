#!/usr/bin/env bash
# Removal benchmark: installs a product of about SIZE_MB (default 150) in
# FILES files (default 2,000) unattended under Wine, then times
#   - a reinstall by a package of the same product holding one small file:
#     the removal of the previous installation (every file moved aside,
#     every folder removed, the backups deleted at the end), and
#   - the uninstaller's removal of the installation.
# The same small package installed into an empty place is timed too: it is
# the part of the reinstall that is no removal. Each figure is the median of
# RUNS runs (default 3).
#
#   bench/removal_bench.sh [SIZE_MB] [FILES]
#   STUB=old/setup.exe UNINSTALLER=old/uninstall.exe bench/removal_bench.sh   # another build
#
# Not a test: it measures, it does not judge.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
size_mb=${1:-150}
files=${2:-2000}
runs=${RUNS:-3}
mkpackage="$root/build/native/tools/mkpackage/mkpackage"
stub=${STUB:-$root/build/win32/src/setup.exe}
uninstaller=${UNINSTALLER:-$root/build/win32/src/uninstall.exe}
. "$root/bench/wine_bench.sh"
require_built "$mkpackage" "$stub" "$uninstaller"
start_wine_bench removal-bench

mkdir -p "$work/payload" "$work/small"
per_file=$((size_mb * 1000 * 1000 / files))
head -c "$per_file" /dev/urandom > "$work/one.bin"
for i in $(seq 0 $((files - 1))); do
  d="$work/payload/d$((i / 100))"
  mkdir -p "$d"
  cp "$work/one.bin" "$d/f$i.dat"
done
echo small > "$work/small/readme.txt"
describe() {  # name of the folder the component takes
  cat <<TOML
[product]
name = "Removal Benchmark"
registry-key = "Software\\\\RemovalBenchmark"
default-folder = "C:\\\\bench\\\\"
[options]
flags = ["uninstall-entry"]
[[components]]
name = "Payload"
files = [{ folder = "$1", to = "Payload" }]
TOML
}
describe payload > "$work/big.toml"
describe small > "$work/small.toml"
"$mkpackage" build "$work/big.toml" -o "$work/big.exe" --stub "$stub" --uninstaller "$uninstaller" --quiet
"$mkpackage" build "$work/small.toml" -o "$work/small.exe" --stub "$stub" --uninstaller "$uninstaller" --quiet
prepare_prefix
bench="$WINEPREFIX/drive_c/bench"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
clean() {
  wine reg delete 'HKLM\Software\RemovalBenchmark' /f >/dev/null 2>&1 || true
  wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Removal Benchmark' /f >/dev/null 2>&1 || true
  rm -rf "$bench"
}

cd "$work"
small_times="" reinstall_times="" uninstall_times=""
for run in $(seq "$runs"); do
  clean
  start=$(now); wine small.exe /S; end=$(now)
  small_times="$small_times $(elapsed "$start" "$end")"

  clean
  wine big.exe /S
  [ "$(find "$bench/Payload" -type f | wc -l)" -eq "$files" ] || { echo "the payload was not installed"; exit 1; }
  start=$(now); wine small.exe /S; end=$(now)
  reinstall_times="$reinstall_times $(elapsed "$start" "$end")"
  [ ! -e "$bench/Payload/d0" ] || { echo "the previous installation was not removed"; exit 1; }

  clean
  wine big.exe /S
  start=$(now)
  wine "C:\\bench\\UnInst.exe" /S 'C:\bench\InstallLog' || true
  # The uninstaller's last step, its own file, is taken by a copy of it
  # that may outlive the first process: the end is the folder gone.
  for _ in $(seq 2400); do [ -e "$bench" ] || break; sleep 0.05; done
  [ ! -e "$bench/Payload" ] || { echo "the uninstaller did not remove the payload"; exit 1; }
  end=$(now)
  uninstall_times="$uninstall_times $(elapsed "$start" "$end")"
  echo "run $run: small install $(echo "$small_times" | awk '{ print $NF }') s," \
       "reinstall over the payload $(echo "$reinstall_times" | awk '{ print $NF }') s," \
       "uninstall $(echo "$uninstall_times" | awk '{ print $NF }') s"
done

bytes=$(du -sb "$work/payload" | cut -f1)
printf 'payload: %d bytes in %d files; medians of %d runs\n' "$bytes" "$files" "$runs"
printf 'small install into an empty place: %s s\n' "$(echo "$small_times" | median)"
printf 'reinstall over the payload (removal of the previous installation): %s s\n' "$(echo "$reinstall_times" | median)"
printf 'uninstaller removal: %s s\n' "$(echo "$uninstall_times" | median)"
