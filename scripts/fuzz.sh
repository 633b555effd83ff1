#!/usr/bin/env bash
# Runs every fuzz target of tests/native for a bounded time, starting from its
# corpus in tests/native/corpus/<target>. A finding (a crash, a sanitizer
# report or a broken property) fails the run; the input is kept as
# <build>/fuzz-findings/<target>-crash-...  New inputs go to
# <build>/fuzz-work/<target>, never into the repository; copy the worth-
# keeping ones into the corpus by hand (fuzz.sh --merge does it minimised).
#   fuzz.sh [--merge] [SECONDS_PER_TARGET (default 30)] [target...]
# Figures of the last run: <build>/fuzz-stats.txt.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${PX_NATIVE_BUILD_DIR:-$root/build-native}
merge=0
if [ "${1:-}" = "--merge" ]; then merge=1; shift; fi
seconds=${1:-30}
shift || true
targets=("$@")

cmake -S "$root/tests/native" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
if [ ${#targets[@]} -eq 0 ]; then
  # Every target tests/native/CMakeLists.txt defines.
  cmake --build "$build" -j"$(nproc)" >/dev/null
  for f in "$build"/*_fuzz; do targets+=("$(basename "$f" _fuzz)"); done
else
  cmake --build "$build" -j"$(nproc)" --target $(printf '%s_fuzz ' "${targets[@]}") >/dev/null
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$build/fuzz-findings" "$build/fuzz-logs"
stats="$build/fuzz-stats.txt"
printf '%-20s %12s %10s %8s %s\n' target executions exec/s seconds result > "$stats.new"
failed=0
for t in "${targets[@]}"; do
  corpus="$root/tests/native/corpus/$t"
  work="$build/fuzz-work/$t"
  mkdir -p "$work" "$corpus"
  log="$build/fuzz-logs/$t.log"
  start=$(date +%s)
  set +e
  # The hard time-out is only a guard against a hung target.
  timeout $((seconds + 120)) "$build/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz-findings/$t-" "$work" "$corpus" >"$log" 2>&1
  rc=$?
  set -e
  took=$(( $(date +%s) - start ))
  runs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log" | tail -1)
  rate=$(awk '/stat::average_exec_per_sec/ {print $2}' "$log" | tail -1)
  result=ok
  if [ "$rc" -ne 0 ]; then
    result="FINDING (exit $rc, see $log)"
    failed=1
    grep -E 'property violated|ERROR: |runtime error|SUMMARY' "$log" | head -5 >&2 || true
  fi
  printf '%-20s %12s %10s %8s %s\n' "$t" "${runs:-?}" "${rate:-?}" "$took" "$result" | tee -a "$stats.new"
  if [ "$merge" -eq 1 ] && [ "$rc" -eq 0 ]; then
    "$build/${t}_fuzz" -merge=1 "$corpus" "$work" >/dev/null 2>&1 || true
  fi
done
mv "$stats.new" "$stats"
echo "fuzz: figures in $stats"
exit $failed
