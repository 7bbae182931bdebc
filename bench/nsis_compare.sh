#!/usr/bin/env bash
# The builder side by side with makensis (Debian's nsis package, zlib,
# non-solid): generates a mixed payload (bench/mixed_payload.py: text-like,
# structured binary with noise, random; files from empty to 20 MB in nested
# folders), then builds it in interleaved rounds with `mkpackage build` on one
# worker, on all cores, and with makensis, and prints the medians of wall
# time, CPU time and peak resident memory, the ratios and the sizes.
# With --install it also installs both installers unattended (/S) under Wine
# and prints the times and their ratio.
#
#   bench/nsis_compare.sh [--install] [SIZE_MB] [ROUNDS] [FILES]
#                         (defaults: 150 MB, 5 rounds, 2,000 files)
#
# On a shared machine each round waits (at most QUIET_WAIT seconds, default
# 600; 0 does not wait) for 5 seconds in which other work of normal priority
# keeps less than a tenth of the cores busy; niced work (fuzzers, background
# builds) yields to the benchmark and is not counted. Each round prints what
# it found and the load average.
#
# Installs the nsis package when makensis is missing. Not a test: it
# measures, it does not judge.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
install=0
if [ "${1:-}" = "--install" ]; then install=1; shift; fi
size_mb=${1:-150}
rounds=${2:-5}
files=${3:-2000}
quiet_wait=${QUIET_WAIT:-600}
cores=$(nproc)
mkpackage="$root/build/native/tools/mkpackage/mkpackage"
stub="$root/build/win32/src/setup.exe"
for f in "$mkpackage" "$stub"; do
  [ -e "$f" ] || { echo "missing $f: run scripts/build.sh first"; exit 2; }
done

if ! command -v makensis >/dev/null; then
  echo "makensis is missing: installing Debian's nsis package" >&2
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get install -y -qq --no-install-recommends nsis >/dev/null ||
    { $sudo apt-get update -qq && $sudo apt-get install -y -qq --no-install-recommends nsis >/dev/null; }
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/nsis-compare.XXXXXX")
cleanup() {
  [ "$install" = 1 ] && { WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true; }
  rm -rf "$work"
}
trap cleanup EXIT

python3 "$root/bench/mixed_payload.py" "$work/payload" "$size_mb" "$files"
payload_bytes=$(find "$work/payload" -type f -printf '%s\n' | awk '{s += $1} END {print s}')

cat > "$work/product.toml" <<'TOML'
[product]
name = "Builder Benchmark"
registry-key = ""
default-folder = "C:\\bench-ours\\"
[[components]]
name = "Payload"
files = [{ folder = "payload", to = "Payload" }]
TOML
cat > "$work/bench.nsi" <<'NSI'
Unicode true
SetCompressor zlib
Name "Builder Benchmark"
OutFile "nsis-setup.exe"
InstallDir "C:\bench-nsis"
RequestExecutionLevel user
Section
  SetOutPath "$INSTDIR\Payload"
  File /r "payload/*"
SectionEnd
NSI

# Reads the payload once so that every run finds it in the page cache.
find "$work/payload" -type f -exec cat {} + >/dev/null

# run NAME COMMAND...: appends "NAME wall user+sys peak_kb" to the results.
run() {
  local name=$1
  shift
  /usr/bin/time -f '%e %U %S %M' -o "$work/time.txt" "$@" >"$work/out.txt" 2>&1 ||
    { cat "$work/out.txt" >&2; exit 1; }
  awk -v n="$name" '{printf "%s %s %.2f %s\n", n, $1, $2 + $3, $4}' "$work/time.txt" >> "$work/results.txt"
}
ours_one() { run "mkpackage-1" "$mkpackage" build "$work/product.toml" -o "$work/ours-1.exe" --stub "$stub" -q -j 1; }
ours_all() { run "mkpackage-$cores" "$mkpackage" build "$work/product.toml" -o "$work/ours.exe" --stub "$stub" -q -j "$cores"; }
nsis() { run "makensis" makensis -V1 "$work/bench.nsi"; }

# busy_share SECONDS: the percentage of all cores that work of normal
# priority (user, system and interrupt time, not nice time) kept busy.
busy_share() {
  local before after
  before=$(head -1 /proc/stat)
  sleep "$1"
  after=$(head -1 /proc/stat)
  awk -v a="$before" -v b="$after" 'BEGIN {
    split(a, x); split(b, y)
    busy = y[2] - x[2] + y[4] - x[4] + y[7] - x[7] + y[8] - x[8]
    total = 0
    for (i = 2; i <= 9; i++) total += y[i] - x[i]
    printf "%d", total ? 100 * busy / total : 0 }'
}
wait_for_quiet() {
  local waited=0 share=0
  [ "$quiet_wait" -gt 0 ] || { echo "not waited"; return; }
  while :; do
    share=$(busy_share 5)
    waited=$((waited + 5))
    if [ "$share" -lt 10 ] || [ "$waited" -ge "$quiet_wait" ]; then break; fi
  done
  echo "others kept ${share} % of the cores busy before it (waited ${waited} s)"
}

: > "$work/results.txt"
for round in $(seq "$rounds"); do
  # The order turns each round, so that a burst of load falls on each in turn.
  case $((round % 3)) in
    1) order="ours_one ours_all nsis" ;;
    2) order="ours_all nsis ours_one" ;;
    0) order="nsis ours_one ours_all" ;;
  esac
  quiet=$(wait_for_quiet)
  load_before=$(cut -d' ' -f1-3 /proc/loadavg)
  for step in $order; do $step; done
  echo "round $round: $quiet; load average before $load_before, after $(cut -d' ' -f1-3 /proc/loadavg)"
done
cmp -s "$work/ours-1.exe" "$work/ours.exe" || { echo "FAIL: 1 and $cores workers wrote different bytes"; exit 1; }
"$mkpackage" inspect "$work/ours.exe" | tail -1

python3 - "$work/results.txt" "$payload_bytes" "$files" "$work/ours.exe" "$work/nsis-setup.exe" "$stub" "$cores" <<'PY'
import os, statistics, sys
path, payload, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
ours, nsis, stub, cores = os.path.getsize(sys.argv[4]), os.path.getsize(sys.argv[5]), os.path.getsize(sys.argv[6]), int(sys.argv[7])
# The NSIS installer's data begins 4 bytes before its signature, behind its
# program image.
nsis_stub = open(sys.argv[5], "rb").read().find(b"\xef\xbe\xad\xdeNullsoftInst") - 4
runs = {}
for line in open(path):
    name, wall, cpu, peak = line.split()
    runs.setdefault(name, []).append((float(wall), float(cpu), int(peak)))
print(f"payload: {payload:,} bytes in {files:,} files; {cores} cores; {len(runs['makensis'])} rounds")
print(f"{'':14}{'wall s':>8}{'(min-max)':>18}{'cpu s':>8}{'peak MiB':>10}{'MB/s':>7}")
median = {}
for name in sorted(runs, key=lambda n: (n == "makensis", n)):
    walls = [r[0] for r in runs[name]]
    median[name] = statistics.median(walls)
    cpu = statistics.median(r[1] for r in runs[name])
    peak = max(r[2] for r in runs[name]) / 1024
    print(f"{name:14}{median[name]:8.2f}{f'({min(walls):.2f}-{max(walls):.2f})':>18}{cpu:8.2f}{peak:10.1f}"
          f"{payload / 1e6 / median[name]:7.1f}")
for name in median:
    if name != "makensis":
        print(f"makensis / {name}: {median['makensis'] / median[name]:.2f}x by median wall time")
print(f"installer: ours {ours:,} bytes, NSIS {nsis:,} bytes; ours {(ours - nsis) / nsis * 100:+.2f} %")
print(f"without the program images (ours {stub:,}, NSIS {nsis_stub:,} bytes): ours {ours - stub:,}, "
      f"NSIS {nsis - nsis_stub:,} bytes; ours {(ours - stub - nsis + nsis_stub) / (nsis - nsis_stub) * 100:+.2f} %")
PY

[ "$install" = 1 ] || exit 0

# Both installers unattended under Wine (/S), each into its own folder of one
# prefix, from start to exit, taking turns for as many rounds as the builds,
# after one run of each that is not counted (the prefix's first program
# start pays for its set-up). One wineserver serves every run.
. "$root/scripts/wine-env.sh"
export WINEPREFIX="$work/prefix"
prepare_prefix
wineserver -p
cd "$work"
drive_c="$WINEPREFIX/drive_c"
install_time() {  # install_time INSTALLER: runs it with /S into an empty folder, prints its seconds
  local start code=0
  rm -rf "$drive_c/bench-ours" "$drive_c/bench-nsis"
  sync
  start=$(date +%s.%N)
  wine "$1" /S || code=$?
  [ "$code" = 0 ] || { echo "$1 /S exited with $code" >&2; exit 1; }
  awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { print b - a }'
}
install_time ours.exe >/dev/null
install_time nsis-setup.exe >/dev/null
: > "$work/installs.txt"
for round in $(seq "$rounds"); do
  if [ $((round % 2)) = 1 ]; then order="ours.exe nsis-setup.exe"; else order="nsis-setup.exe ours.exe"; fi
  for installer in $order; do echo "$installer $(install_time "$installer")" >> "$work/installs.txt"; done
done
ours_files=$(install_time ours.exe >/dev/null; find "$drive_c/bench-ours/Payload" -type f | wc -l)
nsis_files=$(install_time nsis-setup.exe >/dev/null; find "$drive_c/bench-nsis/Payload" -type f | wc -l)
python3 - "$work/installs.txt" "$ours_files" "$nsis_files" <<'PY'
import statistics, sys
times = {}
for line in open(sys.argv[1]):
    name, seconds = line.split()
    times.setdefault(name, []).append(float(seconds))
ours, nsis = statistics.median(times["ours.exe"]), statistics.median(times["nsis-setup.exe"])
def spread(name):
    return f"{min(times[name]):.2f}-{max(times[name]):.2f}"
print(f"unattended install under Wine, median of {len(times['ours.exe'])}: ours {ours:.2f} s ({spread('ours.exe')}, "
      f"{sys.argv[2]} files), NSIS {nsis:.2f} s ({spread('nsis-setup.exe')}, {sys.argv[3]} files); "
      f"NSIS / ours {nsis / ours:.2f}x")
PY
