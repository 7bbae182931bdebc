#!/usr/bin/env bash
# Runs every test: native unit tests, Win32 unit tests under Wine, the
# end-to-end scenarios that build installers and drive them under Wine + Xvfb,
# and every fuzz target for a short fixed time (FUZZ_SECONDS each, default 15).
# Installs and builds whatever is missing first. On a machine that cannot run
# 32-bit programs (scripts/wine-env.sh: win32_runnable) everything under Wine
# is skipped with a message, and the rest runs: the programs are still built
# and their imports checked.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/build.sh

. scripts/wine-env.sh
jobs=${JOBS:-$(nproc)}
if ! win32_runnable; then
  echo "SKIPPED: the Win32 unit tests and the end-to-end scenarios: $(win32_unrunnable_reason)" >&2
  status=0
  ctest --test-dir build/native --output-on-failure -j "$jobs" -LE "e2e|wine" || status=1
  scripts/fuzz.sh "${FUZZ_SECONDS:-15}" || status=1
  echo "SKIPPED: the Win32 unit tests and the end-to-end scenarios: $(win32_unrunnable_reason)" >&2
  exit $status
fi
start_display
prefixes=("$root/build/win32/wineprefix" "$root/build/native/wineprefix" "$root/build/native/wineprefix-foreign-name")
cleanup() {
  for p in "${prefixes[@]}"; do
    [ -d "$p" ] && WINEPREFIX="$p" wineserver -k 2>/dev/null || true
  done
  stop_display
}
trap cleanup EXIT

status=0
ctest --test-dir build/native --output-on-failure -j "$jobs" || status=1
ctest --test-dir build/win32 --output-on-failure || status=1
scripts/fuzz.sh "${FUZZ_SECONDS:-15}" || status=1
exit $status
