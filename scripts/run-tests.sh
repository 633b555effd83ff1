#!/usr/bin/env bash
# Every test: installs what is missing, builds the setup and the test
# programs, makes fresh Wine prefixes from the template, runs CTest with one
# persistent wineserver per prefix.
#   [PX_BUILD_DIR=folder] [PX_WINE_SHARDS=2] run-tests.sh [ctest args...]
# Each phase's time goes to the output ("phase ...: N s"); docs/test-run.md.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export PX_BUILD_DIR=${PX_BUILD_DIR:-$root/build}
phase_started=$(date +%s)
phase_done() { echo "phase $1: $(( $(date +%s) - phase_started )) s"; phase_started=$(date +%s); }
"$root/scripts/setup.sh"
"$root/scripts/lib/build.sh" "$PX_BUILD_DIR"
phase_done build

# The pure text rules built natively under sanitizers, their unit tests and
# the replay of every fuzz corpus, then every fuzzer for PX_FUZZ_SECONDS (5)
# each: on a full run (no ctest arguments) or with PX_NATIVE=1; PX_NATIVE=0
# skips them. A finding fails. Longer fuzzing: scripts/fuzz.sh SECONDS.
if [ "${PX_NATIVE:-$([ $# -eq 0 ] && echo 1 || echo 0)}" = 1 ]; then
  export PX_NATIVE_BUILD_DIR=${PX_NATIVE_BUILD_DIR:-$PX_BUILD_DIR-native}
  "$root/scripts/native-tests.sh" "$PX_NATIVE_BUILD_DIR"
  phase_done native
  "$root/scripts/fuzz.sh" "${PX_FUZZ_SECONDS:-5}"
  phase_done fuzz
fi

# The release made twice in two folders and compared, signed with test
# certificates and installed under Wine (tests/release/release_test.sh): on a
# full run or with PX_RELEASE=1; PX_RELEASE=0 skips it.
if [ "${PX_RELEASE:-$([ $# -eq 0 ] && echo 1 || echo 0)}" = 1 ]; then
  "$root/tests/release/release_test.sh"
  phase_done release
fi

# The headless tests run in PX_WINE_SHARDS (2) prefixes at the same time,
# each with its own registry and wineserver: CTest hands each test one
# prefix (the resource "wineprefix", tests/CMakeLists.txt) and runs one
# test per prefix at a time, and the GUI tests one at a time on their bench.
shards=${PX_WINE_SHARDS:-2}
[[ "$shards" =~ ^[1-9]$ ]] || { echo "run-tests: PX_WINE_SHARDS must be 1 to 9" >&2; exit 2; }
source "$root/scripts/lib/wine-env.sh"
stop_wineservers() {
  for shard in $(seq 1 "$shards"); do
    (export PX_WINE_SHARD=$shard; source "$root/scripts/lib/wine-env.sh"; wineserver -k >/dev/null 2>&1 || true)
  done
}
trap stop_wineservers EXIT
# One wineserver per prefix for the whole run: each test process then starts
# in a fraction of a second instead of paying Wine's start-up.
for shard in $(seq 1 "$shards"); do
  (
    export PX_WINE_SHARD=$shard
    "$root/scripts/lib/wine-prefix.sh" fresh
    source "$root/scripts/lib/wine-env.sh"
    wineserver -p
    wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
  )
done
resources="$PX_BUILD_DIR/wine-resources.json"
{
  printf '{"version": {"major": 1, "minor": 0}, "local": [{\n  "wineprefix": ['
  for shard in $(seq 1 "$shards"); do
    printf '%s{"id": "%s", "slots": 1}' "$([ "$shard" = 1 ] || echo ', ')" "$shard"
  done
  printf '],\n  "guibench": [{"id": "gui", "slots": 1}]\n}]}\n'
} > "$resources"

# The GUI bench (Xvfb, virtual desktop, its own prefix and wineserver), when
# the build has tests that need it (px_add_gui_test).
if grep -rqs --include='*_include.cmake' 'PX_WINE_MODE=gui' "$PX_BUILD_DIR/tests"; then
  # Without it the headless tests still run; the GUI ones then fail, saying why.
  "$root/scripts/lib/gui-bench.sh" start || echo "run-tests: the GUI bench did not start" >&2
fi
trap 'stop_wineservers; "$root/scripts/lib/gui-bench.sh" stop >/dev/null 2>&1 || true' EXIT

cd "$PX_BUILD_DIR"
set +e
ctest --output-on-failure --resource-spec-file "$resources" -j"$shards" "$@"
code=$?
set -e
phase_done "Wine tests"
exit $code
