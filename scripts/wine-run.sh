#!/usr/bin/env bash
# Runs one Windows program under Wine in the test run's prefix.
# Used by CTest as the cross-compiling emulator.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
exec wine "$@"
