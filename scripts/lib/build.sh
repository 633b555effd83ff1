#!/usr/bin/env bash
# Configures and builds the setup program and the test programs, or only the
# targets PX_BUILD_TARGETS names (scripts/run-main.sh: the setup alone).
#   [PX_BUILD_TARGETS="target..."] build.sh [BUILD_DIR] [extra cmake args...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build}
shift || true
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
targets=()
for t in ${PX_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
