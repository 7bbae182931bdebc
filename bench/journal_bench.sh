#!/usr/bin/env bash
# The run journal's cost: times, under Wine and unattended, the install of a
# product of about SIZE_MB (default 150) in FILES files (default 2,000) into
# an empty place, and the upgrade over a previous installation of the same
# payload (every file of it moved aside, every file extracted again), with
# two builds of the setup program taking turns: BEFORE (a build without the
# journal) and AFTER (default: this checkout's). Each figure is the median of
# RUNS runs (default 3).
#
#   BEFORE=old/setup.exe bench/journal_bench.sh [SIZE_MB] [FILES]
#
# Not a test: it measures, it does not judge.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
size_mb=${1:-150}
files=${2:-2000}
runs=${RUNS:-3}
mkpackage="$root/build/native/tools/mkpackage/mkpackage"
after=${AFTER:-$root/build/win32/src/setup.exe}
before=${BEFORE:?"BEFORE=<setup.exe without the journal> is needed"}
uninstaller="$root/build/win32/src/uninstall.exe"
. "$root/bench/wine_bench.sh"
require_built "$mkpackage" "$after" "$before" "$uninstaller"
start_wine_bench journal-bench

make_mixed_payload "$size_mb" "$files"
describe() {  # version
  cat <<TOML
[product]
name = "Journal Benchmark"
version = "$1"
registry-key = "Software\\\\JournalBenchmark"
default-folder = "C:\\\\bench\\\\"
[options]
flags = ["uninstall-entry"]
[[components]]
name = "Payload"
files = [{ folder = "payload", to = "Payload" }]
TOML
}
describe 1.0 > "$work/v1.toml"
describe 2.0 > "$work/v2.toml"
for build in before after; do
  stub=${!build}
  "$mkpackage" build "$work/v1.toml" -o "$work/$build-v1.exe" --stub "$stub" --uninstaller "$uninstaller" --quiet
  "$mkpackage" build "$work/v2.toml" -o "$work/$build-v2.exe" --stub "$stub" --uninstaller "$uninstaller" --quiet
done
prepare_prefix
bench="$WINEPREFIX/drive_c/bench"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
clean() {
  wine reg delete 'HKLM\Software\JournalBenchmark' /f >/dev/null 2>&1 || true
  wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Journal Benchmark' /f >/dev/null 2>&1 || true
  # A fresh folder name each time: this file system is slow to make many
  # files right after deleting many.
  [ -e "$bench" ] && mv "$bench" "$work/gone.$RANDOM$RANDOM"
  true
}
timed() {  # timed INSTALLER: its seconds, unattended; fails on a code other than 0
  local start end code=0
  start=$(now); wine "$1" /S || code=$?; end=$(now)
  [ "$code" = 0 ] || { echo "$1 /S exited with $code" >&2; exit 1; }
  elapsed "$start" "$end"
}

cd "$work"
declare -A install upgrade
for run in $(seq "$runs"); do
  for build in before after; do
    clean
    install[$build]="${install[$build]:-} $(timed "$build-v1.exe")"
    [ "$(find "$bench/Payload" -type f | wc -l)" -eq "$files" ] || { echo "the payload was not installed"; exit 1; }
    upgrade[$build]="${upgrade[$build]:-} $(timed "$build-v2.exe")"
    ls -d "$WINEPREFIX"/drive_c/~SetupBackup.* >/dev/null 2>&1 && { echo "a backup folder stays"; exit 1; }
    echo "run $run, $build: install $(echo "${install[$build]}" | awk '{ print $NF }') s," \
         "upgrade $(echo "${upgrade[$build]}" | awk '{ print $NF }') s"
  done
  rm -rf "$work"/gone.*
done

bytes=$(du -sb "$work/payload" | cut -f1)
printf 'payload: %d bytes in %d files; medians of %d runs, the builds taking turns\n' "$bytes" "$files" "$runs"
for build in before after; do
  printf '%s: install %s s, upgrade over the same payload %s s\n' "$build" \
    "$(echo "${install[$build]}" | median)" "$(echo "${upgrade[$build]}" | median)"
done
