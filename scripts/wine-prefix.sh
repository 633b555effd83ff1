#!/usr/bin/env bash
# Makes a fresh Wine prefix for one run from a template prefix.
#   wine-prefix.sh template   make the template when missing
#   wine-prefix.sh fresh      template, then a new copy at $WINEPREFIX
# The template is made once (wineboot, ~15 s); each fresh copy takes ~2 s.
# Measured on the 2-core build machine with other builds running: a new
# template 11 s (wineboot -i, waiting for the server, real shell folders,
# null display driver), about 700 MB; a fresh copy 1.8 s; the GUI bench
# (scripts/gui-bench.sh start: copy, X11 and desktop settings, Xvfb, warm-up)
# 4 s more. So a run pays ~2 s (~6 s with GUI tests) once the template exists.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
template="$PX_WINE_ROOT/template"

make_template() {
  [ -f "$template/.px-ready" ] && return 0
  rm -rf "$template"
  mkdir -p "$template"
  WINEPREFIX="$template" wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX="$template" wineserver -w
  # The user's shell folders are links into $HOME: make them real folders so
  # nothing a test writes reaches the host.
  for d in "$template"/drive_c/users/*/{Desktop,Documents,Downloads,Music,Pictures,Videos,Templates}; do
    if [ -L "$d" ]; then rm -f "$d"; mkdir -p "$d"; fi
  done
  # Headless windows: Wine's null display driver (no X server needed).
  WINEPREFIX="$template" wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  WINEPREFIX="$template" wineserver -w
  touch "$template/.px-ready"
}

case "${1:-fresh}" in
  template) make_template ;;
  fresh)
    make_template
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    cp -a "$template" "$WINEPREFIX"
    ;;
  *) echo "usage: wine-prefix.sh template|fresh" >&2; exit 2 ;;
esac
