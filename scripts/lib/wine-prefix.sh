#!/usr/bin/env bash
# Makes a fresh Wine prefix for one run from a template prefix.
#   wine-prefix.sh template   make the template when missing
#   wine-prefix.sh fresh      template, then a new copy at $WINEPREFIX
# The template is made once (wineboot, ~15 s); each fresh copy takes ~2 s.
# Measured on the 2-core build machine with other builds running: a new
# template 11 s (wineboot -i, waiting for the server, real shell folders,
# null display driver), about 700 MB; a fresh copy 1.8 s; the GUI bench
# (scripts/lib/gui-bench.sh start: copy, X11 and desktop settings, Xvfb, warm-up)
# 4 s more. So a run pays ~2 s (~6 s with GUI tests) once the template exists.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
template="$PX_WINE_ROOT/template"

# wineboot links the fonts and programs of the installed Wine into the prefix,
# so a template made before a Wine or font package changed is made anew.
template_stamp() {
  dpkg-query -W -f='${Package} ${Version}\n' wine wine64 libwine fonts-wine 2>/dev/null
}

make_template() {
  if [ -f "$template/.px-ready" ] && [ "$(cat "$template/.px-ready")" = "$(template_stamp)" ]; then
    return 0
  fi
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
  template_stamp > "$template/.px-ready"
}

case "${1:-fresh}" in
  template) make_template ;;
  fresh)
    make_template
    wineserver -k >/dev/null 2>&1 || true
    # A test killed while it held a file immutable (pxtest::ScopedImmutableFile)
    # leaves the flag behind, which would keep rm from the prefix.
    if [ -d "$WINEPREFIX/drive_c/pxtest" ]; then chattr -R -i "$WINEPREFIX/drive_c/pxtest" 2>/dev/null || true; fi
    rm -rf "$WINEPREFIX"
    cp -a "$template" "$WINEPREFIX"
    ;;
  *) echo "usage: wine-prefix.sh template|fresh" >&2; exit 2 ;;
esac
