#!/usr/bin/env bash
# Builds the fuzz tree (build/fuzz: clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs its targets one after another, each
# for the given number of seconds, under nice -n 19:
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]      (default: 20, every target)
# Each target starts from its seed corpus (tests/fuzz/corpus/<target>/, not
# changed) and from what earlier runs found (build/fuzz/corpus/<target>/).
# A crash, a leak, a sanitizer report or a hang fails the run; the input that
# caused it is saved as build/fuzz/artifacts/<target>-crash-... and can be
# replayed with build/fuzz/tests/fuzz/<target>_fuzz <file>.
# The last lines give executions and coverage (cov: edges, ft: features) per target.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(package_scan config_record component_stream package_verify description uninstall_log journal program_image languages)

scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build build/fuzz --target fuzz_targets -j "${JOBS:-$(nproc)}" >/dev/null

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
symbolizer=$(command -v llvm-symbolizer-14 || command -v llvm-symbolizer || true)
[ -n "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH="$symbolizer"

mkdir -p build/fuzz/artifacts build/fuzz/logs
summary=()
status=0
for target in "${targets[@]}"; do
  program=build/fuzz/tests/fuzz/${target}_fuzz
  seeds=tests/fuzz/corpus/$target
  work=build/fuzz/corpus/$target
  log=build/fuzz/logs/$target.log
  if [ ! -x "$program" ] || [ ! -d "$seeds" ]; then
    echo "fuzz: no target $target" >&2
    exit 2
  fi
  mkdir -p "$work"
  dict=tests/fuzz/binary.dict
  [ "$target" = description ] && dict=tests/fuzz/description.dict
  echo "fuzz: $target for ${seconds}s" >&2
  result=ok
  if ! nice -n 19 "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="build/fuzz/artifacts/$target-" -dict="$dict" \
      "$work" "$seeds" >"$log" 2>&1; then
    result=FAILED
    status=1
    grep -E "ERROR|SUMMARY|runtime error|Test unit written|deadly signal|timeout" "$log" | head -20 >&2 || true
    echo "fuzz: $target failed; the whole log is $log" >&2
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  line=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$line")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$line")
  corpus=$(sed -n 's/.* corp: \([0-9]*\/[0-9]*[a-zA-Z]*\).*/\1/p' <<<"$line")
  summary+=("$(printf '%-18s %-7s executions %-9s cov %-6s ft %-7s corpus %s' \
    "$target" "$result" "${runs:-?}" "${cov:-?}" "${ft:-?}" "${corpus:-?}")")
done
printf '%s\n' "${summary[@]}"
exit $status
