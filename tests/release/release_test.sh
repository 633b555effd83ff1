#!/usr/bin/env bash
# The release, made twice by scripts/release.sh in two folders seconds apart,
# each signed with its own throw-away test certificate:
#   - the unsigned setup and payload are byte for byte the same;
#   - the packages (dist/packages) name the signed release's SHA-256 and carry
#     its bytes;
#   - osslsigncode accepts each release against its own test certificate and
#     refuses it against the other one;
#   - under Wine, the signed setup's silent installation leaves the same files
#     (the programs signed, the same bytes once the signature is off), dates
#     and registry as the unsigned setup's; every installed payload file shows
#     the release date.
# scripts/run-tests.sh runs it on a full run or with PX_RELEASE=1.
#   [PX_RELEASE_CHECK_DIR=folder] release_test.sh
# PX_RELEASE_REUSE=1 checks the releases of the last run again without
# building them (for work on this test).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
check=${PX_RELEASE_CHECK_DIR:-$root/build-release-check}
rm -rf "$check/wine" "$check/snapshots"
mkdir -p "$check/snapshots" "$check/wine"
failures=0
fail() { echo "release test: FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "release test: ok: $*"; }

# Folders that are not a release's own are never emptied.
for args in "--build $root" "--dist $root/docs"; do
  code=0
  "$root/scripts/release.sh" $args >/dev/null 2>&1 || code=$?
  [ "$code" = 2 ] || fail "release.sh $args: exit code $code, not 2"
done
[ -f "$root/docs/release.md" ] && [ -f "$root/CMakeLists.txt" ] || { echo "release test: the tree was emptied" >&2; exit 1; }

export PX_BUILD_DIR=${PX_BUILD_DIR:-$root/build}
started=$(date +%s)
if [ "${PX_RELEASE_REUSE:-0}" != 1 ]; then
  rm -rf "$check/dist-one" "$check/dist-two"
  # The minizip source that the test build fetched serves both releases
  # (release.sh keeps a build folder's third_party/); they still compile
  # everything apart, each from its own copy.
  for b in "$check/one" "$check/elsewhere/two"; do
    if [ ! -d "$b/third_party" ] && ls -d "$PX_BUILD_DIR"/third_party/zlib-*/contrib/minizip >/dev/null 2>&1; then
      mkdir -p "$b/third_party"
      cp -a "$PX_BUILD_DIR"/third_party/zlib-* "$b/third_party/"
    fi
  done
  # Different depths, so that no path length can hide in the bytes; the second
  # one in another time zone and with another umask, as on another machine.
  "$root/scripts/release.sh" --build "$check/one" --dist "$check/dist-one" >"$check/release-one.log" 2>&1 ||
    { cat "$check/release-one.log" >&2; exit 1; }
  (umask 027 && TZ=Pacific/Auckland "$root/scripts/release.sh" --build "$check/elsewhere/two" \
     --dist "$check/dist-two" >"$check/release-two.log" 2>&1) ||
    { cat "$check/release-two.log" >&2; exit 1; }
  echo "release test: two releases built in $(($(date +%s) - started)) s"
fi
one=$check/dist-one two=$check/dist-two

for f in unsigned/PixorraSetup64.exe unsigned/payload.zip; do
  if cmp -s "$one/$f" "$two/$f"; then
    pass "$f the same in both builds ($(sha256sum <"$one/$f" | cut -c1-16)...)"
  else
    fail "$f differs between the builds in $(cmp -l "$one/$f" "$two/$f" 2>/dev/null | wc -l) bytes"
  fi
done
[ "$(head -n 2 "$one/SHA256SUMS")" = "$(head -n 2 "$two/SHA256SUMS")" ] || fail "SHA256SUMS name other unsigned bytes"
# No trace of the folders built in: not in the setup, not in a program of the payload.
mkdir -p "$check/unpacked"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
  "$one/unsigned/payload.zip" "$check/unpacked"
for f in "$one/unsigned/PixorraSetup64.exe" $(find "$check/unpacked" -type f \( -iname '*.exe' -o -iname '*.dll' \)); do
  if strings -a "$f" | grep -q -E "$root|$check|build-release|pixorra-build"; then
    fail "$(basename "$f") names a build folder: $(strings -a "$f" | grep -m1 -E "$root|$check|build-release|pixorra-build")"
  fi
done
rm -rf "$check/unpacked"
(cd "$one" && sha256sum --quiet --strict -c SHA256SUMS) || fail "SHA256SUMS does not match dist/"
# The packages name the signed release's own checksum and carry its bytes.
release_sha=$(sed -n 's/^\([0-9a-f]\{64\}\)  PixorraSetup64.exe$/\1/p' "$one/SHA256SUMS" | tr a-f A-F)
if [ -n "$release_sha" ] &&
   grep -q "^  InstallerSha256: $release_sha\$" "$one/packages/winget/TamsinOrlo.Pixorra.installer.yaml" &&
   grep -qi "'$release_sha'" "$one/packages/chocolatey/tools/chocolateyinstall.ps1" &&
   cmp -s "$one/PixorraSetup64.exe" "$one/packages/chocolatey/tools/PixorraSetup64.exe" &&
   cmp -s "$one/PixorraSetup64.exe" "$one/packages/intune/source/PixorraSetup64.exe"; then
  pass "the winget, Chocolatey and Intune packages name and carry the release (${release_sha:0:16}...)"
else
  fail "the packages in $one/packages do not name or carry the release $release_sha"
fi
grep -q "TEST-SIGNED" "$one/BUILDINFO.txt" || fail "BUILDINFO.txt does not say that the release is test-signed"
grep -q "gcc-mingw-w64-x86-64-posix" "$one/BUILDINFO.txt" || fail "BUILDINFO.txt names no compiler version"

if osslsigncode verify -CAfile "$one/test-certificate.pem" -in "$one/PixorraSetup64.exe" >"$check/verify.log" 2>&1; then
  pass "osslsigncode verify accepts the signed setup against its test certificate"
else
  cat "$check/verify.log" >&2
  fail "osslsigncode verify refuses the signed setup"
fi
if osslsigncode verify -CAfile "$two/test-certificate.pem" -in "$one/PixorraSetup64.exe" >/dev/null 2>&1; then
  fail "osslsigncode verify accepts the setup against a certificate that did not sign it"
fi
grep -q "SHA256" "$check/verify.log" || fail "the signature's digest is not SHA-256"

# --- Under Wine: each setup silently into a fresh prefix of its own.
stamp=$(sed -n 's/^file date: *\([0-9-]* [0-9:]*\).*/\1/p' "$one/BUILDINFO.txt")
install_with() {  # name setup.exe
  export PX_WINEPREFIX=$check/wine/$1
  source "$root/scripts/lib/wine-env.sh"
  "$root/scripts/lib/wine-prefix.sh" fresh
  mkdir -p "$WINEPREFIX/drive_c/pxrelease"
  cp "$2" "$WINEPREFIX/drive_c/pxrelease/PixorraSetup64.exe"
  touch "$check/wine/$1.marker"
  local code=0
  (cd "$WINEPREFIX/drive_c/pxrelease" &&
    wine PixorraSetup64.exe /silent /group=1 /desktop=1 /thumbs=1 /assoc=2 </dev/null >/dev/null 2>&1) || code=$?
  wineserver -w
  [ "$code" = 0 ] || fail "$1 setup: exit code $code (low 8 bits)"
  rm -f "$WINEPREFIX/drive_c/pxrelease/PixorraSetup64.exe"
  python3 "$root/tests/release/installation_snapshot.py" "$WINEPREFIX" "$check/wine/$1.marker" \
    >"$check/snapshots/$1.txt"
}
install_with unsigned "$one/unsigned/PixorraSetup64.exe"
install_with signed "$one/PixorraSetup64.exe"

s=$check/snapshots
shipped=$(python3 -c 'import sys, zipfile; print(sum(not n.endswith("/") for n in zipfile.ZipFile(sys.argv[1]).namelist()))' \
  "$one/unsigned/payload.zip")
programs=$(python3 -c 'import sys, zipfile; print(sum(n.lower().endswith((".exe", ".dll")) for n in zipfile.ZipFile(sys.argv[1]).namelist()))' \
  "$one/unsigned/payload.zip")
signed=$(grep -c -E '^file Program Files/Pixorra/.* signed$' "$s/signed.txt" || true)
payload=$(grep -c '^file Program Files/Pixorra/' "$s/unsigned.txt" || true)
# The payload's files, the settings file and the install record.
[ "$payload" = $((shipped + 2)) ] || fail "$payload files installed into Program Files\\Pixorra, $shipped shipped"
[ "$programs" -ge 12 ] && [ "$programs" = "$signed" ] ||
  fail "$signed of $programs installed programs carry a signature"
! grep -q ' signed$' "$s/unsigned.txt" || fail "the unsigned setup installed signed programs"
# The uninstall entry's EstimatedSize is the unpacked payload's size, and the
# signatures make the signed programs larger: that one value differs by
# design, the signed one being the larger.
size_of() { sed -n 's/.*"EstimatedSize"=dword:\([0-9a-f]*\).*/\1/p' "$1"; }
signed_kb=$((16#$(size_of "$s/signed.txt")))
unsigned_kb=$((16#$(size_of "$s/unsigned.txt")))
[ "$signed_kb" -ge "$unsigned_kb" ] && [ "$unsigned_kb" -gt 0 ] ||
  fail "EstimatedSize: signed $signed_kb KB, unsigned $unsigned_kb KB"
if diff <(sed 's/ signed$/ -/; /"EstimatedSize"=/d' "$s/signed.txt") <(sed '/"EstimatedSize"=/d' "$s/unsigned.txt") \
    >"$s/difference.txt"; then
  pass "signed and unsigned setup: the same $payload files, dates and registry ($signed programs signed)"
else
  fail "signed and unsigned installation differ (lines: signed <, unsigned >):"
  head -n 40 "$s/difference.txt" >&2
fi
wrong_date=$(grep '^file Program Files/Pixorra/' "$s/signed.txt" | grep -v -F " $stamp " | grep -v -e 'px_main64.ini' -e 'pv_uninstall.dat' || true)
if [ -z "$wrong_date" ] && [ -n "$stamp" ]; then
  pass "every installed payload file shows the release date $stamp"
else
  fail "installed files without the release date $stamp:"
  echo "$wrong_date" | head -n 10 >&2
fi
for exe in px_main64.exe pv_uninstall.exe; do
  osslsigncode verify -CAfile "$one/test-certificate.pem" \
    -in "$check/wine/signed/drive_c/Program Files/Pixorra/$exe" >/dev/null 2>&1 ||
    fail "the installed $exe does not verify"
done

echo "release test: $failures failure(s), $(($(date +%s) - started)) s"
[ "$failures" = 0 ]
