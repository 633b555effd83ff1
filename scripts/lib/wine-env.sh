# Sourced by the scripts that run Windows programs under Wine.
# Every build folder has its own Wine root (prefix, template, sandbox HOME),
# so separate build folders never share a registry.
_px_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
: "${PX_BUILD_DIR:=$_px_root/build}"
: "${PX_WINE_ROOT:=$PX_BUILD_DIR/wine}"
export PX_BUILD_DIR PX_WINE_ROOT
export WINEPREFIX="${PX_WINEPREFIX:-$PX_WINE_ROOT/prefix}"
# GUI bench (scripts/lib/gui-bench.sh, tests added with px_add_gui_test): a
# prefix of its own whose windows go to a virtual desktop on a private Xvfb.
if [ "${PX_WINE_MODE:-}" = gui ]; then
  export WINEPREFIX="$PX_WINE_ROOT/gui-prefix"
  if [ -f "$PX_WINE_ROOT/gui/display" ]; then export DISPLAY=":$(cat "$PX_WINE_ROOT/gui/display")"; fi
fi
export HOME="$PX_WINE_ROOT/home"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=C.UTF-8
mkdir -p "$HOME"
