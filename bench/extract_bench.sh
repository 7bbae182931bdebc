#!/usr/bin/env bash
# Extraction benchmark: builds an installer of about SIZE_MB (default 150) in
# FILES files (default 2,000), runs it under Wine + Xvfb, answers the install question, and
# measures the time from that answer to the completion message, and the
# setup process's peak resident memory (VmHWM). Run it at two sizes to see
# that memory does not grow with the package.
#
#   bench/extract_bench.sh [SIZE_MB] [FILES]
#
# Not a test: it measures, it does not judge.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
size_mb=${1:-150}
files=${2:-2000}
mkpackage="$root/build/native/tools/mkpackage/mkpackage"
stub="$root/build/win32/src/setup.exe"
robot="$root/build/win32/tests/e2e/robot/robot.exe"
. "$root/bench/wine_bench.sh"
require_built "$mkpackage" "$stub" "$robot"
start_wine_bench extract-bench

make_mixed_payload "$size_mb" "$files"
cat > "$work/product.toml" <<'TOML'
[product]
name = "Extraction Benchmark"
registry-key = ""
default-folder = "C:\\bench\\"
[texts]
msgConfirmInstall = "Install?"
msgDoneFolder = "Done: %s"
progressTitle = "Extracting"
titleMessage = "Finished"
[[components]]
name = "Payload"
files = [{ folder = "payload", to = "Payload" }]
TOML
"$mkpackage" build "$work/product.toml" -o "$work/setup.exe" --stub "$stub" --quiet
cp "$robot" "$work/robot.exe"
prepare_prefix

cd "$work"
wine setup.exe &
wine_pid=$!
box=$(wine robot.exe wait --exe setup.exe --class '#32770' --timeout 60000 | head -1)
hwnd=$(sed 's/.*"hwnd":\([0-9]*\).*/\1/' <<<"$box")
start=$(date +%s.%N)
wine robot.exe click "$hwnd" 6 >/dev/null
# The robot waits inside one process until a window has the caption; the
# status popups after the extraction share it, so go on until the box says Done.
done_box=""
while [ -z "$done_box" ]; do
  done_box=$(wine robot.exe wait --exe setup.exe --title Finished --timeout 600000 |
    grep -m1 '"message":"Done' || true)
done
end=$(date +%s.%N)
pid=$(pgrep -f 'setup.exe' | head -1)
hwm=$(grep VmHWM "/proc/$pid/status" | awk '{print $2}')
wine robot.exe click "$(sed 's/.*"hwnd":\([0-9]*\).*/\1/' <<<"$done_box")" 1 >/dev/null
wait "$wine_pid" || true

bytes=$(du -sb "$work/payload" | cut -f1)
seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
printf 'payload: %d bytes in %d files\n' "$bytes" "$files"
printf 'extraction under Wine: %.2f s, %.1f MB/s of unpacked bytes\n' "$seconds" "$(awk -v n="$bytes" -v t="$seconds" 'BEGIN { print n / 1000000 / t }')"
printf 'setup process peak resident memory (VmHWM): %d KiB\n' "$hwm"
