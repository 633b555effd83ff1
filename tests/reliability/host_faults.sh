#!/usr/bin/env bash
# Faults that Windows programs cannot make themselves, made on the host for
# the reliability tests (CTest fixture, see CMakeLists.txt):
#   host_faults.sh start BUILD_DIR   small file systems as Wine drives and a
#                                    watcher that switches files read-only
#   host_faults.sh stop BUILD_DIR    undoes everything
# Drives of every headless prefix of the build folder (one per shard of
# scripts/run-tests.sh; the tests that use them take a CTest lock, one at a time):
#   R:  a 24 MB tmpfs, for the full-drive case (the test fills it itself)
#   S:  a read-only tmpfs, for a temporary folder and a start folder that
#       nobody can write to, not even Wine running as root
# The watcher takes requests from Windows: a file switch/NAME.req holding
# "readonly PATH" or "writable PATH" (PATH relative to R:\); it makes the
# file immutable (chattr +i, which binds root too) or undoes it, then writes
# switch/NAME.done with the result code. Only files on R: are touched: an
# immutable file that a killed run leaves behind goes with the tmpfs and can
# never block the removal of the prefix.
# switch/status says "ready" or, when this machine does not allow mounting
# (not root, no tmpfs), "unavailable: reason"; the tests then skip those cases.
set -uo pipefail
action=${1:?start or stop}
build=${2:?build folder}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export PX_BUILD_DIR=$build
source "$root/scripts/lib/wine-env.sh"
area="$build/reliability"
switch="$area/switch"
mnt="$area/mnt"
prefixes=("$WINEPREFIX")
for p in "$PX_WINE_ROOT"/prefix-*; do [ -d "$p/drive_c" ] && prefixes+=("$p"); done

stop() {
  if [ -f "$switch/watcher.pid" ]; then
    kill "$(cat "$switch/watcher.pid")" 2>/dev/null || true
    rm -f "$switch/watcher.pid"
  fi
  if [ -f "$switch/immutable.list" ]; then
    while read -r f; do chattr -i "$f" 2>/dev/null || true; done < "$switch/immutable.list"
    rm -f "$switch/immutable.list"
  fi
  for d in full readonly; do
    if mountpoint -q "$mnt/$d"; then umount "$mnt/$d" 2>/dev/null || umount -l "$mnt/$d" 2>/dev/null || true; fi
  done
  for prefix in "${prefixes[@]}"; do rm -f "$prefix/dosdevices/r:" "$prefix/dosdevices/s:"; done
}

watch_requests() {
  local deadline=$(( $(date +%s) + 3600 ))  # never outlives a forgotten stop by long
  while [ -d "$switch" ] && [ "$(date +%s)" -lt "$deadline" ]; do
    for req in "$switch"/*.req; do
      [ -e "$req" ] || continue
      local name verb rel file rc=1
      name=$(basename "$req" .req)
      read -r verb rel < "$req"
      rm -f "$req"
      rel=${rel//\\//}
      file="$mnt/full/$rel"
      case "$rel" in *..*) verb=refused ;; esac
      case "$verb" in
        readonly) chattr +i "$file" && echo "$file" >> "$switch/immutable.list" && rc=0 ;;
        writable) chattr -i "$file" && rc=0 ;;
      esac
      echo "$rc" > "$switch/$name.done"
    done
    sleep 0.05
  done
}

case "$action" in
  start)
    stop
    mkdir -p "$switch" "$mnt/full" "$mnt/readonly"
    rm -f "$switch"/*.req "$switch"/*.done
    reason=""
    if ! mount -t tmpfs -o size=24m,mode=0777 px_full "$mnt/full" 2>/dev/null; then
      reason="cannot mount a tmpfs (not root?)"
    elif ! mount -t tmpfs -o size=1m,mode=0555,ro px_readonly "$mnt/readonly" 2>/dev/null; then
      reason="cannot mount a read-only tmpfs"
    fi
    if [ -z "$reason" ]; then
      for prefix in "${prefixes[@]}"; do
        mkdir -p "$prefix/dosdevices"
        ln -sfn "$mnt/full" "$prefix/dosdevices/r:"
        ln -sfn "$mnt/readonly" "$prefix/dosdevices/s:"
      done
      if ! command -v chattr >/dev/null; then reason="no chattr"; fi
    fi
    if [ -n "$reason" ]; then
      echo "unavailable: $reason" > "$switch/status"
      echo "host faults: $reason; the cases that need them are skipped"
      exit 0
    fi
    # A session of its own: the fixture's test ends at once, the watcher stays.
    setsid "$0" watch "$build" </dev/null >/dev/null 2>&1 &
    echo $! > "$switch/watcher.pid"
    echo ready > "$switch/status"
    echo "host faults: R: full-drive tmpfs, S: read-only tmpfs, watcher $(cat "$switch/watcher.pid")"
    ;;
  watch) watch_requests ;;
  stop)
    stop
    rm -rf "$switch"
    ;;
  *) echo "usage: host_faults.sh start|stop|watch BUILD_DIR" >&2; exit 2 ;;
esac
