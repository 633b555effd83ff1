#!/usr/bin/env bash
# The benchmark: our setup against an NSIS installer of the same payload
# doing the same work, and our unpacking against minizip alone, for the
# regular payload and payloads 5, 10 and 100 times larger. Prints Markdown
# tables (docs/benchmark.md explains them and holds the last figures).
#   bench/run-bench.sh [RUNS]          (default 15 rounds per payload)
# PX_BENCH_FACTORS="1 5" picks the payloads, PX_BENCH_COLD_FACTOR the one
# timed from a stopped Wine (default 5, the 3.2 MB payload).
# Uses its own build folder (build-bench) and Wine prefix; takes 10-20 minutes.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-15}
factors=${PX_BENCH_FACTORS:-1 5 10 100}
cold_factor=${PX_BENCH_COLD_FACTOR:-5}
export PX_BUILD_DIR=${PX_BENCH_BUILD_DIR:-$root/build-bench}
"$root/scripts/setup.sh" >/dev/null

# The regular payload first: its staged folder is the model for the larger ones.
"$root/scripts/lib/build.sh" "$PX_BUILD_DIR" -DPIXORRA_BUILD_TESTS=OFF -DPIXORRA_BUILD_BENCH=ON \
  -DPIXORRA_PAYLOAD_DIR= >/dev/null
out="$PX_BUILD_DIR/bench-payloads"
mkdir -p "$out"
rm -rf "$out/x1"
cp -a "$PX_BUILD_DIR/payload/stage" "$out/x1"

source "$root/scripts/lib/wine-env.sh"
"$root/scripts/lib/wine-prefix.sh" fresh
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true

winpath() { echo "Z:${1//\//\\}"; }
drive_c="$WINEPREFIX/drive_c"
runner="$PX_BUILD_DIR/bench/px_bench_runner.exe"
setup_exe=$(winpath "$PX_BUILD_DIR/bin/PixorraSetup64.exe")
floor_exe=$(winpath "$PX_BUILD_DIR/bench/px_unzip_floor.exe")
full_options=(/group=1 /desktop=1 /thumbs=1 /assoc=1)

# One run of ours, warm, inside Wine: the runner empties TARGET, starts the
# program and prints its wall time in milliseconds.
timed() {
  wine "$runner" 1 "$@" </dev/null 2>/dev/null | tr -d '\r'
}
# Peak memory in KiB, the largest single process as the kernel counted it,
# the highest of three warm runs, each into an emptied target.
peak_kib() {
  local target=$1; shift
  : >"$out/peak.txt"
  for _ in 1 2 3; do
    rm -rf "$drive_c/bench/$target"
    /usr/bin/time -f %M -a -o "$out/peak.txt" wine "$@" </dev/null >/dev/null 2>&1 || true
  done
  sort -n "$out/peak.txt" | tail -1
}

# What our full run leaves in the registry, for the peer to do the same:
# HKLM and HKCU exported before and after one run.
for hive in HKLM HKCU; do wine reg export "$hive" "$out/before-$hive.reg" /y </dev/null >/dev/null 2>&1; done
wine "$PX_BUILD_DIR/bin/PixorraSetup64.exe" /silent '/folder=C:\bench\full' "${full_options[@]}" \
  </dev/null >/dev/null 2>&1
for hive in HKLM HKCU; do wine reg export "$hive" "$out/after-$hive.reg" /y </dev/null >/dev/null 2>&1; done

# The refused runs write their install log into the current folder.
cd "$PX_BUILD_DIR/bench"

warm_table="$out/warm.md" memory_table="$out/memory.md"
: >"$warm_table"; : >"$memory_table"
for factor in $factors; do
  payload="$out/x$factor"
  if [ "$factor" != 1 ]; then
    python3 "$root/bench/make_bench_payload.py" "$out/x1" "$factor" "$payload"
  fi
  "$root/scripts/lib/build.sh" "$PX_BUILD_DIR" -DPIXORRA_PAYLOAD_DIR="$payload" >/dev/null
  zip="$PX_BUILD_DIR/payload/payload.zip"
  cp "$zip" "$out/x$factor.zip"
  cp "$PX_BUILD_DIR/bin/PixorraSetup64.exe" "$out/setup-x$factor.exe"
  python3 "$root/bench/make_nsis_peer.py" "$payload" 'C:\bench\full' \
    "$out/before-HKLM.reg" "$out/after-HKLM.reg" "$out/before-HKCU.reg" "$out/after-HKCU.reg" \
    "$out/peer-x$factor.nsi" "$out/peer-x$factor.exe" 2>"$out/peer-x$factor.txt"
  makensis -V1 "$out/peer-x$factor.nsi" >/dev/null
  archive_kb=$(( $(stat -c %s "$zip") / 1024 ))
  unpacked_kb=$(( $(du -sb "$payload" | cut -f1) / 1024 ))
  peer_exe=$(winpath "$out/peer-x$factor.exe")
  archive=$(winpath "$out/x$factor.zip")

  # The contenders take turns, so a busy moment of the machine hits all.
  times="$out/warm-x$factor.txt"
  : >"$times"
  for ((run = 0; run < runs; run++)); do
    full=$(timed 'C:\bench\full' "$setup_exe" /silent '/folder=C:\bench\full' "${full_options[@]}")
    peer=$(timed 'C:\bench\nsis' "$peer_exe" /S '/D=C:\bench\nsis')
    silent=$(timed 'C:\bench\setup' "$setup_exe" /silent '/folder=C:\bench\setup')
    floor=$(timed 'C:\bench\floor' "$floor_exe" "$archive" 'C:\bench\floor')
    # Refused at once (empty folder): start-up, viewer check and log entry.
    refused=$(PX_BENCH_EXIT_CODE=1603 timed 'C:\bench\none' "$setup_exe" /silent '/folder=')
    echo "full=$full peer=$peer silent=$silent floor=$floor refused=$refused" >>"$times"
  done
  s() { python3 "$root/bench/summarize.py" "$times" "$@"; }
  echo "| x$factor | ${archive_kb} KB | ${unpacked_kb} KB | $(s full) | $(s peer) | $(s full peer) |" \
       "$(s silent) | $(s floor) | $(s silent floor) | $(s refused) |" >>"$warm_table"

  peak_full=$(peak_kib full "$PX_BUILD_DIR/bin/PixorraSetup64.exe" /silent '/folder=C:\bench\full' "${full_options[@]}")
  peak_peer=$(peak_kib nsis "$out/peer-x$factor.exe" /S '/D=C:\bench\nsis')
  peak_silent=$(peak_kib setup "$PX_BUILD_DIR/bin/PixorraSetup64.exe" /silent '/folder=C:\bench\setup')
  peak_floor=$(peak_kib floor "$PX_BUILD_DIR/bench/px_unzip_floor.exe" "$archive" 'C:\bench\floor')
  mib() { awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }
  echo "| x$factor | $(mib "$peak_full") | $(mib "$peak_peer") | $(mib "$peak_silent") | $(mib "$peak_floor") |" \
    >>"$memory_table"
done

# Cold: no Wine process running before each run (the server stopped and
# waited for), timed from outside until the installer's exit.
cold_times="$out/cold-x$cold_factor.txt"
: >"$cold_times"
cold() {
  local target=$1; shift
  rm -rf "$drive_c/bench/$target"
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  local begin end
  begin=$(date +%s%N)
  wine "$@" </dev/null >/dev/null 2>&1 || true
  end=$(date +%s%N)
  echo $(( (end - begin) / 1000000 ))
}
for ((run = 0; run < runs; run++)); do
  full=$(cold full "$out/setup-x$cold_factor.exe" /silent '/folder=C:\bench\full' "${full_options[@]}")
  peer=$(cold nsis "$out/peer-x$cold_factor.exe" /S '/D=C:\bench\nsis')
  echo "full=$full peer=$peer" >>"$cold_times"
done

echo "Warm (one persistent wineserver), times inside Wine from process start to exit,"
echo "median (25th-75th percentile) of $runs rounds, in milliseconds; ratios paired round by round:"
echo
echo "| Payload | Archive | Unpacked | Full run | NSIS peer | Full / NSIS | Silent run | minizip alone | Silent / minizip | Refused at once |"
echo "|---|---|---|---|---|---|---|---|---|---|"
cat "$warm_table"
echo
echo "Cold (no Wine process running), x$cold_factor payload, from \`wine\` to the installer's exit, $runs rounds:"
echo
echo "| Full run | NSIS peer | Full / NSIS |"
echo "|---|---|---|"
echo "| $(python3 "$root/bench/summarize.py" "$cold_times" full) | $(python3 "$root/bench/summarize.py" "$cold_times" peer) |" \
     "$(python3 "$root/bench/summarize.py" "$cold_times" full peer) |"
echo
echo "Peak memory (MiB, largest single process, highest of three warm runs):"
echo
echo "| Payload | Full run | NSIS peer | Silent run | minizip alone |"
echo "|---|---|---|---|---|"
cat "$memory_table"
echo
first_factor=${factors%% *}
echo "NSIS peer: $(cat "$out/peer-x$first_factor.txt")"
