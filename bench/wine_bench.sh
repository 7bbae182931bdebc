# Shared by the benchmarks that run installers under Wine; sourced, with
# `root` set to the checkout.
#   require_built FILE...     stops (exit 2) when a build product is missing
#   start_wine_bench NAME     a scratch folder in $work with its own Wine
#                             prefix and display, all gone at exit
#   make_mixed_payload MB N   $work/payload: N files of MB megabytes in all,
#                             a fifth random (stored pieces), the rest text-like

require_built() {
  for f in "$@"; do
    [ -e "$f" ] || { echo "missing $f: run scripts/build.sh first"; exit 2; }
  done
}

start_wine_bench() {
  . "$root/scripts/wine-env.sh"
  work=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX")
  export WINEPREFIX="$work/prefix"
  start_display
  trap 'wineserver -k 2>/dev/null || true; stop_display; rm -rf "$work"' EXIT
}

make_mixed_payload() {
  local size_mb=$1 files=$2 per_file i d src k
  mkdir -p "$work/payload"
  per_file=$((size_mb * 1000 * 1000 / files))
  head -c $((per_file * (files / 5 + 1))) /dev/urandom > "$work/random.bin"
  { yes "setup package chunk stream window record entry component folder file" || true; } |
    head -c $((per_file * files)) > "$work/text.bin"
  for i in $(seq 0 $((files - 1))); do
    d="$work/payload/d$((i / 100))"
    mkdir -p "$d"
    if [ $((i % 5)) -eq 0 ]; then src=random.bin; k=$((i / 5)); else src=text.bin; k=$((i - i / 5 - 1)); fi
    dd if="$work/$src" of="$d/f$i.dat" bs="$per_file" skip="$k" count=1 status=none
  done
}
