#!/usr/bin/env bash
# The GUI bench of one build folder: tests that need real pixels or
# screenshots run in a second Wine prefix whose windows go to a Wine virtual
# desktop (1024x768, with title bars) on a private Xvfb display. The headless
# prefix with the null display driver stays as it is for every other test.
#
#   gui-bench.sh start    a fresh GUI prefix, Xvfb and a persistent wineserver
#   gui-bench.sh ensure   start unless already running (wine-run.sh calls this)
#   gui-bench.sh stop     end the wineserver and Xvfb
#   gui-bench.sh status   prints the display when running
#
# State lives in $PX_WINE_ROOT/gui: the display ("display"), Xvfb's process id.
# The wineserver stays up PX_GUI_IDLE seconds (default 600) after its last
# Wine process; when it ends, Xvfb ends with it, so a bench started by a plain
# ctest run does not linger for ever.
set -euo pipefail
PX_WINE_MODE=gui
export PX_WINE_MODE
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
state="$PX_WINE_ROOT/gui"
template="$PX_WINE_ROOT/template"
idle=${PX_GUI_IDLE:-600}
mkdir -p "$state"

running() {
  [ -f "$state/display" ] && [ -f "$state/xvfb.pid" ] || return 1
  local pid; pid=$(cat "$state/xvfb.pid")
  kill -0 "$pid" 2>/dev/null || return 1
  [ -S "/tmp/.X11-unix/X$(cat "$state/display")" ]
}

start_xvfb() {
  # Xvfb picks a free display itself and reports it (-displayfd): no race
  # with the benches of other build folders starting at the same moment.
  rm -f "$state/display.new"
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
    3>"$state/display.new" >"$state/xvfb.log" 2>&1 </dev/null &
  local pid=$!
  for _ in $(seq 1 100); do
    if [ -s "$state/display.new" ]; then
      tr -dc '0-9' <"$state/display.new" >"$state/display"
      rm -f "$state/display.new"
      echo "$pid" >"$state/xvfb.pid"
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  echo "gui-bench: Xvfb did not start:" >&2
  cat "$state/xvfb.log" >&2
  return 1
}

make_prefix() {
  "$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh" template
  rm -rf "$WINEPREFIX"
  cp -a "$template" "$WINEPREFIX"
  # X11 instead of the template's null driver, and one virtual desktop: a
  # window manager of Wine's own, so windows get title bars and close at once.
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  wineserver -w
}

start() {
  stop
  start_xvfb
  export DISPLAY=":$(cat "$state/display")"
  make_prefix
  wineserver -p"$idle"
  # Xvfb lives exactly as long as this prefix's wineserver.
  setsid bash -c 'wineserver -w; kill "$1" 2>/dev/null' _ "$(cat "$state/xvfb.pid")" \
    >/dev/null 2>&1 </dev/null &
  # Warm-up: the first process brings up the desktop window.
  timeout 120 wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
}

stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -f "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
  fi
  rm -f "$state/xvfb.pid" "$state/display"
}

# Everything started here outlives this script: none of it may hold the
# caller's output open (ctest waits for a test's output to close), so the
# output goes to a log that is shown only when starting fails.
start_logged() {
  if ! start >"$state/start.log" 2>&1 </dev/null; then
    cat "$state/start.log" >&2
    return 1
  fi
}

case "${1:-}" in
  start) start_logged ;;
  ensure) running || start_logged ;;
  stop) stop ;;
  status) running && echo ":$(cat "$state/display")" ;;
  *) echo "usage: gui-bench.sh start|ensure|stop|status" >&2; exit 2 ;;
esac
