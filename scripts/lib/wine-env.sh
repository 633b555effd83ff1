# Sourced by the scripts that run Windows programs under Wine.
# Every build folder has its own Wine root (prefix, template, sandbox HOME),
# so separate build folders never share a registry.
_px_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
: "${PX_BUILD_DIR:=$_px_root/build}"
: "${PX_WINE_ROOT:=$PX_BUILD_DIR/wine}"
export PX_BUILD_DIR PX_WINE_ROOT
# The headless prefixes: "prefix", and "prefix-N" for the further shards of
# scripts/run-tests.sh; CTest names a test's shard in the resource it gave it
# (CTEST_RESOURCE_GROUP_0_WINEPREFIX=id:N,slots:1), PX_WINE_SHARD names it by hand.
if [ -z "${PX_WINE_SHARD:-}" ] && [[ "${CTEST_RESOURCE_GROUP_0_WINEPREFIX:-}" =~ ^id:([0-9]+), ]]; then
  PX_WINE_SHARD=${BASH_REMATCH[1]}
fi
case "${PX_WINE_SHARD:-1}" in
  1) _px_prefix=prefix ;;
  *[!0-9]*) echo "wine-env: PX_WINE_SHARD must be a number" >&2; return 2 ;;
  *) _px_prefix=prefix-$PX_WINE_SHARD ;;
esac
export WINEPREFIX="${PX_WINEPREFIX:-$PX_WINE_ROOT/$_px_prefix}"
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
