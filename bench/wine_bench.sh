# Shared by the benchmarks that run installers under Wine; sourced, with
# `root` set to the checkout.
#   require_built FILE...     stops (exit 2) when a build product is missing
#   start_wine_bench NAME     a scratch folder in $work with its own Wine
#                             prefix and display, all gone at exit

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
