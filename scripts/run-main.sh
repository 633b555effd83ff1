#!/usr/bin/env bash
# The main job: builds the setup alone (no test program), then installs the
# viewer silently into a throw-away Wine prefix and prints what was installed.
#   run-main.sh [setup options...]   default: /group=1 /desktop=1 /thumbs=1 /assoc=1
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export PX_BUILD_DIR=${PX_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh" >/dev/null
PX_BUILD_TARGETS=PixorraSetup64 "$root/scripts/lib/build.sh" "$PX_BUILD_DIR" >/dev/null

scratch=$(mktemp -d /tmp/pixorra-main.XXXXXX)
export PX_WINEPREFIX="$scratch/prefix"
source "$root/scripts/lib/wine-env.sh"
"$root/scripts/lib/wine-prefix.sh" fresh
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT

options=("$@")
[ ${#options[@]} -gt 0 ] || options=(/group=1 /desktop=1 /thumbs=1 /assoc=1)
setup_exe="$PX_BUILD_DIR/bin/PixorraSetup64.exe"
mkdir -p "$scratch/start"
echo "== PixorraSetup64.exe /silent ${options[*]}"
set +e
(cd "$scratch/start" && wine "$setup_exe" /silent "${options[@]}" </dev/null >/dev/null 2>&1)
code=$?
set -e
wineserver -w
echo "exit code (low 8 bits as Linux sees them): $code"
if [ -f "$scratch/start/Pixorra_Install.log" ]; then
  echo "== install log"; iconv -f WINDOWS-1252 -t UTF-8 "$scratch/start/Pixorra_Install.log" | tr -d '\r'
fi

python3 "$root/scripts/lib/print_installation.py" "$WINEPREFIX"
