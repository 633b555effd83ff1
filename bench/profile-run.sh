#!/usr/bin/env bash
# Where one warm full-options run spends its time: the run traced with
# WINEDEBUG=+timestamp,+relay, relaying only the calls that mark the steps
# (so the trace costs little), split by profile_phases.py.
#   bench/profile-run.sh [FACTOR [OPTIONS...]]  (default: the full options)     (needs bench/run-bench.sh's build folder;
#                                      FACTOR picks its setup-xFACTOR.exe, default 5)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
factor=${1:-5}
shift || true
options=("$@")
[ ${#options[@]} -gt 0 ] || options=(/group=1 /desktop=1 /thumbs=1 /assoc=1)
export PX_BUILD_DIR=${PX_BENCH_BUILD_DIR:-$root/build-bench}
source "$root/scripts/lib/wine-env.sh"
export WINEPREFIX="$PX_WINE_ROOT/profile-prefix"
"$root/scripts/lib/wine-prefix.sh" template
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
cp -a "$PX_WINE_ROOT/template" "$WINEPREFIX"
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
# The desktop held for the whole profile, as the benchmark's runner holds it
# (see bench/bench_runner.cpp): a runner that waits on a long ping.
wine "$PX_BUILD_DIR/bench/px_bench_runner.exe" 1 'C:\bench\hold' 'C:\windows\system32\ping.exe' -n 120 \
  127.0.0.1 </dev/null >/dev/null 2>&1 &

# PX_PROFILE_EXE names another setup (say, one built from an earlier commit).
setup=${PX_PROFILE_EXE:-$PX_BUILD_DIR/bench-payloads/setup-x$factor.exe}
run() {
  rm -rf "$WINEPREFIX/drive_c/bench/profile"
  wine "$setup" /silent '/folder=C:\bench\profile' "${options[@]}" </dev/null >/dev/null
}
# The first run creates the keys and folders; the traced one is warm.
run 2>/dev/null
markers="kernel32.GetCommandLineA;kernel32.GetTempPathA;kernel32.CreateFileA;kernel32.WritePrivateProfileStringA"
markers+=";gdi32.CreateDCA;gdi32.DeleteDC;shell32.SHGetSpecialFolderLocation;ole32.CoInitialize"
markers+=";combase.CoCreateInstance;combase.CoUninitialize;advapi32.RegSetValueA;advapi32.RegSetValueExA"
markers+=";user32.SystemParametersInfoA;shell32.SHChangeNotify;kernel32.ExitProcess;user32.FindWindowA"
wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d "$markers" /f >/dev/null 2>&1
trace="$PX_BUILD_DIR/bench-payloads/profile-x$factor.trace"
WINEDEBUG=+timestamp,+relay run 2>"$trace"
wine reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f >/dev/null 2>&1
python3 "$root/bench/profile_phases.py" "$trace"
