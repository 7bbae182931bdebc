#!/usr/bin/env bash
# LZMA against zlib on one mixed payload of SIZE_MB (default 150) in FILES
# files (default 2,000): the installers' sizes, the build's wall and CPU time
# and peak memory with --jobs 1 and 2, the unattended install's time (/S under Wine) and the
# setup process's peak resident memory (VmHWM of the Wine process running the
# installer, polled every 20 ms while it runs). Builds and installs take turns
# between the two methods, ROUNDS times (default 3); medians are printed.
#
#   bench/lzma_bench.sh [SIZE_MB] [FILES] [ROUNDS]
#
# The payload is the Wine benchmarks' (bench/wine_bench.sh: a fifth random,
# the rest one repeated line); PAYLOAD=structured takes bench/mixed_payload.py's
# instead (text-like, structured binary with noise, random), the kind of
# payload the issue's figures were measured on.
#
# Not a test: it measures, it does not judge. The other tool's figures are
# quoted from the issue, never measured here.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
size_mb=${1:-150}
files=${2:-2000}
rounds=${3:-3}
mkpackage="$root/build/native/tools/mkpackage/mkpackage"
stub="$root/build/win32/src/setup.exe"
. "$root/bench/wine_bench.sh"
require_built "$mkpackage" "$stub"
start_wine_bench lzma-bench

if [ "${PAYLOAD:-}" = structured ]; then
  python3 "$root/bench/mixed_payload.py" "$work/payload" "$size_mb" "$files"
else
  make_mixed_payload "$size_mb" "$files"
fi
for method in zlib lzma; do
  cat > "$work/$method.toml" <<TOML
[product]
name = "LZMA Benchmark $method"
registry-key = ""
default-folder = "C:\\\\bench-$method\\\\"
[[components]]
name = "Payload"
files = [{ folder = "payload", to = "Payload" }]
[options]
compression = "$method"
TOML
done

: > "$work/builds.txt"
for round in $(seq 1 "$rounds"); do
  if [ $((round % 2)) = 1 ]; then order="zlib lzma"; else order="lzma zlib"; fi
  for method in $order; do
    for jobs in 1 2; do
      /usr/bin/time -f '%e %U %S %M' -o "$work/time.txt" \
        "$mkpackage" build "$work/$method.toml" -o "$work/$method.exe" --stub "$stub" --quiet --jobs "$jobs"
      read -r wall user sys rss < "$work/time.txt"
      echo "$method $jobs $wall $(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }') $rss" >> "$work/builds.txt"
    done
  done
done

summarise() {
python3 - "$work" "$stub" <<'PY'
import os, statistics, sys
work, stub = sys.argv[1], sys.argv[2]
builds, installs = {}, {}
for line in open(f"{work}/builds.txt"):
    m, j, wall, cpu, rss = line.split()
    builds.setdefault((m, j), []).append((float(wall), float(cpu), int(rss)))
if os.path.exists(f"{work}/installs.txt"):
    for line in open(f"{work}/installs.txt"):
        m, t, kib = line.split()
        installs.setdefault(m, []).append((float(t), int(kib)))
payload = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(f"{work}/payload") for f in fs)
print(f"payload: {payload:,} bytes; program image {os.path.getsize(stub):,} bytes; load average {os.getloadavg()[0]:.1f}")
for m in ("zlib", "lzma"):
    size = os.path.getsize(f"{work}/{m}.exe")
    line = f"{m}: installer {size:,} bytes"
    for j in ("1", "2"):
        w = statistics.median(x[0] for x in builds[(m, j)])
        c = statistics.median(x[1] for x in builds[(m, j)])
        r = max(x[2] for x in builds[(m, j)])
        line += f"; build --jobs {j} {w:.2f} s wall, {c:.2f} s CPU, {r / 1024:.0f} MiB peak"
    if m in installs:
        t = statistics.median(x[0] for x in installs[m])
        peak = max(x[1] for x in installs[m])
        line += f"; unattended install {t:.2f} s; setup peak memory (VmHWM) {peak / 1024:.1f} MiB"
    else:
        line += "; unattended install not measured (Wine cannot run 32-bit programs here)"
    print(line)
print("figures from the issue for the other tool (not measured here): zlib installer 69,050,878 bytes,")
print("solid LZMA installer 60,151,642 bytes; unattended under Wine about 1.3 s (zlib) and 5.5 s (LZMA).")
PY
}

# Wine needs the kernel to run 32-bit programs; without that only the builds are measured.
. "$root/scripts/wine-env.sh"
if ! wine cmd /c exit >/dev/null 2>&1; then
  summarise
  exit 0
fi
prepare_prefix
wineserver -p
cd "$work"
drive_c="$WINEPREFIX/drive_c"
install_once() {  # install_once METHOD: prints seconds and peak KiB of one unattended install
  local start end code=0 pid peak=0 hwm
  rm -rf "$drive_c/bench-zlib" "$drive_c/bench-lzma"
  sync
  start=$(date +%s.%N)
  wine "$1.exe" /S &
  local launcher=$!
  while kill -0 "$launcher" 2>/dev/null; do
    for pid in $(pgrep -f "$1.exe" || true); do
      hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
      [ -n "$hwm" ] && [ "$hwm" -gt "$peak" ] && peak=$hwm
    done
    sleep 0.02
  done
  wait "$launcher" || code=$?
  end=$(date +%s.%N)
  [ "$code" = 0 ] || { echo "$1.exe /S exited with $code" >&2; exit 1; }
  echo "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }') $peak"
}
install_once zlib >/dev/null
install_once lzma >/dev/null
: > "$work/installs.txt"
for round in $(seq 1 "$rounds"); do
  if [ $((round % 2)) = 1 ]; then order="zlib lzma"; else order="lzma zlib"; fi
  for method in $order; do echo "$method $(install_once "$method")" >> "$work/installs.txt"; done
done

summarise
