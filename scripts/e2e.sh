#!/usr/bin/env bash
# Runs the end-to-end scenarios alone and keeps every screenshot, for looking
# at the dialogs: scripts/e2e.sh [gtest filter], e.g. 'StartupScenario.*Reinstall*'.
# Screenshots: build/native/e2e-shots/<scenario>/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/build.sh

. scripts/wine-env.sh
start_display
prefixes=("$root/build/native/wineprefix" "$root/build/native/wineprefix-foreign-name")
cleanup() {
  for p in "${prefixes[@]}"; do
    [ -d "$p" ] && WINEPREFIX="$p" wineserver -k 2>/dev/null || true
  done
  stop_display
}
trap cleanup EXIT

status=0
E2E_KEEP_SHOTS=1 build/native/tests/e2e/e2e_scenarios --gtest_filter="${1:-*}" || status=$?
# The scenarios of a user outside the code page, in their own prefix.
E2E_KEEP_SHOTS=1 build/native/tests/e2e/e2e_foreign_name_scenarios --gtest_filter="${1:-*}" || status=$?
echo "screenshots: $root/build/native/e2e-shots/" >&2
exit $status
