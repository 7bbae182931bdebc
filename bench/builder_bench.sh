#!/usr/bin/env bash
# Builder benchmark: makes a payload of about 200 MB (half text-like, half
# random, in files from 0 bytes to 64 MB), builds an installer from it with
# `mkpackage build --quiet`, and reports throughput and peak memory.
#
#   bench/builder_bench.sh [SIZE_MB]      (default 200)
#
# Not a test: it measures, it does not judge.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mkpackage="$root/build/native/tools/mkpackage/mkpackage"
stub="$root/build/win32/src/setup.exe"
size_mb=${1:-200}
[ -x "$mkpackage" ] || { echo "build mkpackage first (cmake --build build/native)"; exit 2; }
[ -f "$stub" ] || { echo "build the setup program first (cmake --build build/win32)"; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/mkpackage-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/payload/text" "$work/payload/random" "$work/payload/small"

python3 - "$work/payload" "$size_mb" <<'PY'
import os, random, sys
base, size_mb = sys.argv[1], int(sys.argv[2])
half = size_mb * 1000 * 1000 // 2
random.seed(1)
words = [w.encode() for w in "setup package chunk stream window record entry component folder file".split()]
line = b" ".join(random.choice(words) for _ in range(4000)) + b"\n"
# Text-like: one large file and several medium ones.
sizes = [half // 3] + [half // 12] * 8
for i, n in enumerate(sizes):
    with open(f"{base}/text/t{i:02}.txt", "wb") as f:
        while n > 0:
            chunk = line[: min(n, len(line))]
            f.write(chunk)
            n -= len(chunk)
# Random: incompressible, stored in deflate's stored blocks.
sizes = [half // 2, half // 4, half // 8, half // 8]
for i, n in enumerate(sizes):
    with open(f"{base}/random/r{i:02}.bin", "wb") as f:
        f.write(os.urandom(n))
# Many small files, including empty ones and exact chunk sizes.
for i in range(300):
    n = [0, 1, 16384, 16385, 4000, 70000][i % 6]
    with open(f"{base}/small/s{i:03}.dat", "wb") as f:
        f.write(os.urandom(n // 2) + b"x" * (n - n // 2))
PY

cat > "$work/product.toml" <<'TOML'
[product]
name = "Benchmark"
default-folder = "C:\\Bench\\"
[[components]]
name = "Text"
files = [{ folder = "payload/text", to = "Text" }]
[[components]]
name = "Random"
files = [{ folder = "payload/random", to = "Random" }]
[[components]]
name = "Small"
files = [{ folder = "payload/small", to = "Small" }]
TOML

payload=$(du -sb "$work/payload" | cut -f1)
sync
/usr/bin/time -v "$mkpackage" build "$work/product.toml" -o "$work/setup.exe" --stub "$stub" --quiet \
  2> "$work/time.txt"
seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s}' "$work/time.txt")
peak_kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
out=$(stat -c %s "$work/setup.exe")
"$mkpackage" inspect "$work/setup.exe" | tail -1

python3 - "$payload" "$out" "$seconds" "$peak_kb" <<'PY'
import sys
payload, out, seconds, peak_kb = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4])
print(f"payload      {payload / 1e6:8.1f} MB")
print(f"installer    {out / 1e6:8.1f} MB")
print(f"time         {seconds:8.2f} s")
print(f"throughput   {payload / 1e6 / seconds:8.1f} MB/s (payload packed per second)")
print(f"peak memory  {peak_kb / 1024:8.1f} MiB resident")
PY
