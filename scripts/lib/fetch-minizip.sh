#!/usr/bin/env bash
# Fetches the source of Debian's zlib package (which carries minizip in
# contrib/minizip) into the given folder, through a private sources list and
# private apt state folders, so the machine's apt configuration is untouched.
# Prints the path of the minizip folder. Does nothing when it is there already.
set -euo pipefail
dest=${1:?usage: fetch-minizip.sh DEST}
mkdir -p "$dest"
dest=$(cd "$dest" && pwd)

found=$(ls -d "$dest"/zlib-*/contrib/minizip 2>/dev/null | head -n 1 || true)
if [ -n "$found" ] && [ -f "$found/unzip.c" ]; then
  echo "$found"
  exit 0
fi

A="$dest/apt"
mkdir -p "$A/lists/partial" "$A/parts" "$A/cache/archives/partial"
sources=$(ls /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1 || true)
mirror=""
if [ -n "$sources" ]; then
  mirror=$(awk '/^URIs:/ {print $2; exit}' "$sources")
fi
if [ -z "$mirror" ] && [ -f /etc/apt/sources.list ]; then
  mirror=$(awk '$1 == "deb" {for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) {print $i; exit}}' /etc/apt/sources.list)
fi
[ -n "$mirror" ] || { echo "fetch-minizip: no Debian mirror found in the apt sources" >&2; exit 1; }
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")

echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $suite main" > "$A/src.list"
O=(-o "Dir::Etc::SourceList=$A/src.list" -o "Dir::Etc::SourceParts=$A/parts"
   -o "Dir::State::Lists=$A/lists" -o "Dir::Cache=$A/cache" -o "APT::Sandbox::User=root")
apt-get "${O[@]}" -qq update >&2
(cd "$dest" && apt-get "${O[@]}" -qq source zlib >&2)

found=$(ls -d "$dest"/zlib-*/contrib/minizip 2>/dev/null | head -n 1 || true)
[ -n "$found" ] && [ -f "$found/unzip.c" ] || { echo "fetch-minizip: zlib source has no contrib/minizip" >&2; exit 1; }
echo "$found"
