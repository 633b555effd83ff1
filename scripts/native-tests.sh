#!/usr/bin/env bash
# Builds the pure text rules with the host's clang under AddressSanitizer and
# UndefinedBehaviorSanitizer (tests/native) and runs their unit tests and a
# replay of the fuzz corpora.
#   native-tests.sh [NATIVE_BUILD_DIR] [ctest args...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-${PX_NATIVE_BUILD_DIR:-$root/build-native}}
shift || true
cmake -S "$root/tests/native" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
# Leak checking too: a rule that allocates must free.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --output-on-failure "$@"
