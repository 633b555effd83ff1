#!/usr/bin/env bash
# Every test: installs what is missing, builds, makes a fresh Wine prefix from
# the template, runs CTest under one persistent wineserver.
#   [PX_BUILD_DIR=folder] run-tests.sh [ctest args...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export PX_BUILD_DIR=${PX_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
"$root/scripts/lib/build.sh" "$PX_BUILD_DIR"

# The pure text rules built natively under sanitizers, their unit tests, and
# every fuzzer for PX_FUZZ_SECONDS (30) each: on a full run (no ctest
# arguments) or with PX_NATIVE=1; PX_NATIVE=0 skips them. A finding fails.
if [ "${PX_NATIVE:-$([ $# -eq 0 ] && echo 1 || echo 0)}" = 1 ]; then
  export PX_NATIVE_BUILD_DIR=${PX_NATIVE_BUILD_DIR:-$PX_BUILD_DIR-native}
  "$root/scripts/native-tests.sh" "$PX_NATIVE_BUILD_DIR"
  "$root/scripts/fuzz.sh" "${PX_FUZZ_SECONDS:-30}"
fi

# The release made twice in two folders and compared, signed with test
# certificates and installed under Wine (tests/release/release_test.sh): on a
# full run or with PX_RELEASE=1; PX_RELEASE=0 skips it.
if [ "${PX_RELEASE:-$([ $# -eq 0 ] && echo 1 || echo 0)}" = 1 ]; then
  "$root/tests/release/release_test.sh"
fi

source "$root/scripts/lib/wine-env.sh"
"$root/scripts/lib/wine-prefix.sh" fresh

# One wineserver for the whole run: each test process then starts in a
# fraction of a second instead of paying Wine's start-up.
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true

# The GUI bench (Xvfb, virtual desktop, its own prefix and wineserver), when
# the build has tests that need it (px_add_gui_test).
if grep -rqs --include='*_include.cmake' 'PX_WINE_MODE=gui' "$PX_BUILD_DIR/tests"; then
  # Without it the headless tests still run; the GUI ones then fail, saying why.
  "$root/scripts/lib/gui-bench.sh" start || echo "run-tests: the GUI bench did not start" >&2
fi
trap 'wineserver -k >/dev/null 2>&1 || true; "$root/scripts/lib/gui-bench.sh" stop >/dev/null 2>&1 || true' EXIT

cd "$PX_BUILD_DIR"
ctest --output-on-failure "$@"
