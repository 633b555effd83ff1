#!/usr/bin/env bash
# Times the silent installation of the payload, and of payloads ten and a
# hundred times larger, against the floor: the same archive unpacked by
# minizip alone in one process. Prints medians and ratios as a Markdown table.
#   bench/run-bench.sh [RUNS]          (default 15 runs per measurement)
# Uses its own build folder (build-bench) and Wine prefix; takes a few minutes.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-15}
export PX_BUILD_DIR=${PX_BENCH_BUILD_DIR:-$root/build-bench}
"$root/scripts/setup.sh" >/dev/null

# The regular payload first: its staged folder is the model for the larger ones.
"$root/scripts/lib/build.sh" "$PX_BUILD_DIR" -DPIXORRA_BUILD_TESTS=OFF -DPIXORRA_BUILD_BENCH=ON \
  -DPIXORRA_PAYLOAD_DIR= >/dev/null
stage="$PX_BUILD_DIR/payload/stage"
mkdir -p "$PX_BUILD_DIR/bench-payloads"
rm -rf "$PX_BUILD_DIR/bench-payloads/x1"
cp -a "$stage" "$PX_BUILD_DIR/bench-payloads/x1"

source "$root/scripts/lib/wine-env.sh"
"$root/scripts/lib/wine-prefix.sh" fresh
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true

winpath() { echo "Z:${1//\//\\}"; }
median() { sort -n | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
minimum() { sort -n | head -1; }

# The refused runs write their install log into the current folder.
cd "$PX_BUILD_DIR/bench"

echo "Median (fastest) of $runs runs each, in milliseconds:"
echo
echo "| Payload | Archive | Unpacked | Silent setup | minizip alone | Ratio | Setup stopping at once |"
echo "|---|---|---|---|---|---|---|"
for factor in 1 10 100; do
  payload="$PX_BUILD_DIR/bench-payloads/x$factor"
  if [ "$factor" != 1 ]; then
    python3 "$root/bench/make_bench_payload.py" "$PX_BUILD_DIR/bench-payloads/x1" "$factor" "$payload"
  fi
  "$root/scripts/lib/build.sh" "$PX_BUILD_DIR" -DPIXORRA_PAYLOAD_DIR="$payload" >/dev/null
  zip="$PX_BUILD_DIR/payload/payload.zip"
  cp "$zip" "$PX_BUILD_DIR/bench-payloads/x$factor.zip"
  archive_kb=$(( $(stat -c %s "$zip") / 1024 ))
  unpacked_kb=$(( $(du -sb "$payload" | cut -f1) / 1024 ))
  runner="$PX_BUILD_DIR/bench/px_bench_runner.exe"
  setup_exe=$(winpath "$PX_BUILD_DIR/bin/PixorraSetup64.exe")
  floor_exe=$(winpath "$PX_BUILD_DIR/bench/px_unzip_floor.exe")
  archive=$(winpath "$PX_BUILD_DIR/bench-payloads/x$factor.zip")
  # Setup and floor take turns, so a busy moment of the machine hits both.
  # The third contender is the setup refused at once (empty folder): its
  # start-up, the viewer check and the log entry, without any unpacking.
  setup_times=() floor_times=() start_times=()
  for ((run = 0; run < runs; run++)); do
    setup_times+=("$(wine "$runner" 1 'C:\bench\setup' "$setup_exe" /silent '/folder=C:\bench\setup' \
                     </dev/null 2>/dev/null | tr -d '\r')")
    floor_times+=("$(wine "$runner" 1 'C:\bench\floor' "$floor_exe" "$archive" 'C:\bench\floor' \
                     </dev/null 2>/dev/null | tr -d '\r')")
    start_times+=("$(PX_BENCH_EXIT_CODE=1603 wine "$runner" 1 'C:\bench\none' "$setup_exe" /silent '/folder=' \
                     </dev/null 2>/dev/null | tr -d '\r')")
  done
  setup_ms=$(printf '%s\n' "${setup_times[@]}" | median)
  floor_ms=$(printf '%s\n' "${floor_times[@]}" | median)
  start_ms=$(printf '%s\n' "${start_times[@]}" | median)
  # The fastest run shows the cost without the machine's other load.
  setup_min=$(printf '%s\n' "${setup_times[@]}" | minimum)
  floor_min=$(printf '%s\n' "${floor_times[@]}" | minimum)
  start_min=$(printf '%s\n' "${start_times[@]}" | minimum)
  ratio_min=$(awk -v a="$setup_min" -v b="$floor_min" 'BEGIN {printf "%.2f", a / b}')
  ratio=$(awk -v a="$setup_ms" -v b="$floor_ms" 'BEGIN {printf "%.2f", a / b}')
  echo "| x$factor | ${archive_kb} KB | ${unpacked_kb} KB | $setup_ms ($setup_min) | $floor_ms ($floor_min) |" \
       "$ratio ($ratio_min) | $start_ms ($start_min) |"
done
