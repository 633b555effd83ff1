#!/usr/bin/env bash
# Runs two builds of the setup through the same silent runs, each in a fresh
# Wine prefix, and compares what they left: every file created or touched
# (contents, dates), the whole registry, the settings file, the install
# record, the links and the logs, and each run's exit code. For a change that
# must not change behaviour: any difference is printed and the exit code is 1.
#   compare-runs.sh OLD_BIN NEW_BIN      (PX_COMPARE_ONLY=regex: those scenarios)
# OLD_BIN and NEW_BIN each hold PixorraSetup64.exe. The uninstaller inside
# each setup is its own build, so its bytes (and with them the record's size
# and CRC of it, and the entry's EstimatedSize) are left out of the compare.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ $# = 2 ] || { sed -n 2,10p "$0"; exit 2; }
old=$(cd "$1" && pwd); new=$(cd "$2" && pwd)
export PX_BUILD_DIR=${PX_BUILD_DIR:-$root/build}
work=$(mktemp -d /tmp/pixorra-compare.XXXXXX)
[ -n "${PX_COMPARE_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
source "$root/scripts/lib/wine-env.sh"
"$root/scripts/lib/wine-prefix.sh" template

# Each scenario: a name and the steps, one per line, run in order in one
# prefix: "setup ARGS", "uninstall ARGS" (the installed uninstaller of
# C:\Program Files\Pixorra or of the folder given with folder=), "reg ARGS"
# (wine reg, to prepare), "version WINVER" (winecfg's Windows version).
scenarios() {
  cat <<'EOF'
default|setup /silent
full|setup /silent /group=1 /desktop=1 /thumbs=1 /assoc=1
all-users|setup /silent /group=1 /desktop=1 /thumbs=1 /allusers=1 /assoc=2 /ini=%APPDATA%\Pixorra
no-user-part|setup /silent /assoc=2 /allusers=1
logged|setup /silent /group=1 /assoc=1 /log=C:\logs\px.log
windows7|version win7;setup /silent /group=1 /desktop=1 /thumbs=1 /assoc=2
windowsxp|version winxp;setup /silent /group=1 /assoc=1
other-viewer|reg add HKLM\SOFTWARE\Classes\.jpg /ve /d Other.jpg /f;reg add HKLM\SOFTWARE\Classes\Other.jpg\shell\open\command /ve /d other.exe /f;setup /silent /assoc=2;uninstall /silent
upgrade|setup /silent /group=1 /assoc=1;setup /silent /desktop=1 /thumbs=1 /assoc=2
moved|setup /silent /group=1 /folder=C:\A\Pixorra;setup /silent /group=1 /folder=C:\B\Pixorra
removed|setup /silent /group=1 /desktop=1 /thumbs=1 /assoc=2;uninstall /silent
removed-logged|setup /silent /assoc=1;uninstall /silent /log=C:\logs\un.log
no-folder|setup /silent /folder=
bad-folder|setup /silent /folder=C:\Windows
unknown-option|setup /silent /foldr=D:\Apps
help|setup /silent /?
settings-elsewhere|setup /silent /ini=C:\Users\Public\px
EOF
}

run_scenario() {  # bin name steps -> snapshot on stdout
  local bin=$1 name=$2 steps=$3 prefix=$work/$2-$(basename "$1")
  export PX_WINEPREFIX=$prefix WINEPREFIX=$prefix
  rm -rf "$prefix"
  cp -a "$PX_WINE_ROOT/template" "$prefix"
  mkdir -p "$prefix/drive_c/start" "$work/markers"
  cp "$bin/PixorraSetup64.exe" "$work/markers/"
  local marker=$work/markers/$name-$(basename "$bin")
  touch "$marker"
  local step code folder='C:\Program Files\Pixorra'
  IFS=';' read -ra list <<<"$steps"
  for step in "${list[@]}"; do
    code=0
    case $step in
      version\ *) wine winecfg -v "${step#version }" >/dev/null 2>&1 || code=$?; wineserver -w; continue ;;
      reg\ *) read -ra args <<<"${step#reg }"; wine reg "${args[@]}" >/dev/null 2>&1 || code=$?; wineserver -w; continue ;;
      setup\ *)
        case $step in *"/folder="*) folder=${step##*/folder=}; folder=${folder%% *};; esac
        read -ra args <<<"${step#setup }"
        (cd "$prefix/drive_c/start" && wine "$work/markers/PixorraSetup64.exe" "${args[@]}" \
          </dev/null >/dev/null 2>&1) || code=$? ;;
      uninstall\ *)
        read -ra args <<<"${step#uninstall }"
        (cd "$prefix/drive_c/start" && wine "$folder\\pv_uninstall.exe" "${args[@]}" \
          </dev/null >/dev/null 2>&1) || code=$? ;;
    esac
    wineserver -w
    echo "step $step: exit $code"
  done
  # The logs, as text, without the time of their entries.
  local log
  while IFS= read -r log; do
    LC_ALL=C sed -i -E 's#^[0-9][0-9./-]* - [0-9]{2}:[0-9]{2}:[0-9]{2}: #(date) - (time): #' "$log"
    echo "log ${log#$prefix/drive_c/}:"
    iconv -f WINDOWS-1252 -t UTF-8 "$log" | tr -d '\r' | sed 's/^/  /'
  done < <(find "$prefix/drive_c" -name '*.log' -newer "$marker" -not -path '*/windows/*' | sort)
  python3 "$root/tests/release/installation_snapshot.py" "$prefix" "$marker" |
    sed -E -e 's#^(file .*/pv_uninstall\.exe) .*#\1 (own build)#I' \
      -e 's#("EstimatedSize"=dword:)[0-9a-f]+#\1(size)#' \
      -e 's#^(file [^ ]*/Temp/pv_uninstall-)[0-9]+(\.exe) .*#\1(pid)\2 (copy)#I'
  rm -rf "$prefix"
}

status=0
while IFS='|' read -r name steps; do
  [[ $name =~ ${PX_COMPARE_ONLY:-.} ]] || continue
  run_scenario "$old" "$name" "$steps" >"$work/$name.old" 2>&1
  run_scenario "$new" "$name" "$steps" >"$work/$name.new" 2>&1
  if diff -u "$work/$name.old" "$work/$name.new" >"$work/$name.diff"; then
    echo "same:      $name ($(grep -c '' "$work/$name.new") lines)"
  else
    echo "DIFFERENT: $name"
    head -40 "$work/$name.diff"
    status=1
  fi
done < <(scenarios)
exit $status
