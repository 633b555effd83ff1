# Sourced by the scripts that run Windows programs under Wine.
# PX_WINE_ROOT holds the prefix and the sandbox HOME of one test run.
: "${PX_WINE_ROOT:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wine}"
export PX_WINE_ROOT
export WINEPREFIX="${PX_WINEPREFIX:-$PX_WINE_ROOT/prefix}"
export HOME="$PX_WINE_ROOT/home"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=C.UTF-8
mkdir -p "$HOME"
