#!/usr/bin/env bash
# Makes a release of the setup in a build folder of its own and writes dist/:
#   release.sh [--cert FILE --key FILE [--ca FILE]] [--build DIR] [--dist DIR] [--url URL]
#
# --cert, --key: the code-signing certificate (with its chain, if any) and its
#   unencrypted private key, PEM. The programs inside the payload and then the
#   setup get an Authenticode signature with a SHA-256 digest (osslsigncode).
#   Without them a throw-away test certificate signs, so that the signing step
#   runs on every release build, and the result says loudly that it is
#   test-signed. --ca: the root certificate to verify the signatures against.
# --build: default build-release/ (emptied first; the minizip source fetched
#   into it stays); --dist: default dist/.
# --url: where the release will be downloaded from (winget's InstallerUrl);
#   default a placeholder on www.pixorra.example (docs/packaging.md).
#
# dist/ afterwards (README, "Making a release"):
#   PixorraSetup64.exe                 the release: signed, its programs signed
#   SHA256SUMS                         checksums of everything below
#   BUILDINFO.txt                      commit, release date, signer, the
#                                      package versions the bytes depend on
#   unsigned/PixorraSetup64.exe        the reproducible bytes: built from the
#   unsigned/payload.zip                 unsigned payload, nothing signed
#   signed-inside/payload.zip          the payload with its programs signed
#   signed-inside/PixorraSetup64.exe   the setup built from it, not yet signed
#                                      itself: the release without its signature
#   test-certificate.pem               only when test-signed
#   packages/                          winget, Chocolatey and Intune packages
#                                      of PixorraSetup64.exe (packaging/;
#                                      they name its SHA-256, SHA256SUMS
#                                      does not list them)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build-release
dist=$root/dist
cert="" key="" ca="" url=""

usage() { sed -n '2,15p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2; exit 2; }
while [ $# -gt 0 ]; do
  case "$1" in
    --cert) cert=${2:?}; shift 2 ;;
    --key) key=${2:?}; shift 2 ;;
    --ca) ca=${2:?}; shift 2 ;;
    --build) build=${2:?}; shift 2 ;;
    --dist) dist=${2:?}; shift 2 ;;
    --url) url=${2:?}; shift 2 ;;
    *) usage ;;
  esac
done
if { [ -n "$cert" ] && [ -z "$key" ]; } || { [ -z "$cert" ] && [ -n "$key" ]; }; then
  echo "release: --cert and --key go together" >&2; exit 2
fi
for f in "$cert" "$key" "$ca"; do
  if [ -n "$f" ] && [ ! -r "$f" ]; then echo "release: cannot read $f" >&2; exit 2; fi
done
absolute() { (cd "$(dirname "$1")" && echo "$(pwd)/$(basename "$1")"); }
[ -z "$cert" ] || { cert=$(absolute "$cert"); key=$(absolute "$key"); }
[ -z "$ca" ] || ca=$(absolute "$ca")

"$root/scripts/setup.sh" >&2

# A release is compiled, never taken from a compiler cache.
export CCACHE_DISABLE=1
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER

# Both folders are emptied: refuse anything that is not plainly ours to empty
# (the source tree or a folder above it, a folder holding other things).
ours_to_empty() {  # folder, a file that marks it as ours
  local dir
  [ -e "$1" ] || return 0
  dir=$(cd "$1" && pwd)
  case "$root/" in "$dir"/*) return 1 ;; esac
  [ -z "$(ls -A "$dir")" ] || [ -e "$dir/$2" ]
}
ours_to_empty "$build" CMakeCache.txt || ours_to_empty "$build" third_party ||
  { echo "release: $build holds other things than a release build; name another --build" >&2; exit 2; }
ours_to_empty "$dist" SHA256SUMS ||
  { echo "release: $dist holds other things than a release; name another --dist" >&2; exit 2; }
mkdir -p "$build"
build=$(cd "$build" && pwd)
find "$build" -mindepth 1 -maxdepth 1 ! -name third_party -exec rm -rf {} +
work=$build/release
mkdir -p "$work"
rm -rf "$dist"
mkdir -p "$dist/unsigned" "$dist/signed-inside"
dist=$(cd "$dist" && pwd)

say() { echo "release: $*" >&2; }
fail() { echo "release: FAILED: $*" >&2; exit 1; }

# payload_dir: "" builds the payload from payload/, a folder packs that folder.
build_setup() {
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DPIXORRA_BUILD_TESTS=OFF -DPIXORRA_PAYLOAD_DIR="$1" \
    >"$work/configure.log" 2>&1 || { cat "$work/configure.log" >&2; fail "configuring"; }
  cmake --build "$build" -j"$(nproc)" --target PixorraSetup64 >"$work/build.log" 2>&1 ||
    { tail -n 40 "$work/build.log" >&2; fail "building"; }
}

notes_head=$(head -n 1 "$root/src/resources/release_notes.txt" | tr -d '\r')
product=$(echo "$notes_head" | sed -n 's/^\(Pixorra [0-9][0-9.]*\) .*/\1/p')
[ -n "$product" ] || fail "no version in the release notes' first line: $notes_head"

say "building $product unsigned in $build"
build_setup ""
stamp=$(sed -n "s/^-- Release date of the payload's files: //p" "$work/configure.log")
[ -n "$stamp" ] || fail "the configuration named no release date"
cp "$build/bin/PixorraSetup64.exe" "$build/payload/payload.zip" "$dist/unsigned/"

test_signed=0
if [ -z "$cert" ]; then
  test_signed=1
  cert=$work/test-certificate.pem key=$work/test-key.pem ca=$cert
  openssl req -x509 -newkey rsa:3072 -nodes -days 7 -keyout "$key" -out "$cert" \
    -subj "/CN=Pixorra TEST signature - not for distribution" \
    -addext "basicConstraints=critical,CA:FALSE" -addext "keyUsage=critical,digitalSignature" \
    -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1 || fail "making the test certificate"
  cp "$cert" "$dist/test-certificate.pem"
  say "no --cert/--key: signing with a throw-away TEST certificate"
fi

sign() {  # file description
  rm -f "$1.signed"
  osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n "$2" -in "$1" -out "$1.signed" \
    >"$work/sign.log" 2>&1 || { cat "$work/sign.log" >&2; fail "signing $1"; }
  mv "$1.signed" "$1"
}
unsign() {  # signed, out (osslsigncode never overwrites)
  rm -f "$2"
  osslsigncode remove-signature -in "$1" -out "$2" >"$work/sign.log" 2>&1 ||
    { cat "$work/sign.log" >&2; fail "removing the signature of $1"; }
}
[ -n "$ca" ] || say "no --ca: the signatures are made but not verified against a root certificate"
verify() {
  [ -n "$ca" ] || return 0
  osslsigncode verify -CAfile "$ca" -in "$1" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log" >&2; fail "the signature of $1 does not verify against $ca"; }
}

# The programs inside the payload, signed in a copy of the staged payload;
# the archive packed from it has the same entries, order and date.
say "signing the programs inside the payload"
signed_payload=$work/signed-payload
cp -a "$build/payload/stage" "$signed_payload"
mapfile -t programs < <(cd "$signed_payload" && find . -type f \( -iname '*.exe' -o -iname '*.dll' \) | sort)
[ ${#programs[@]} -gt 0 ] || fail "no programs in the payload"
for p in "${programs[@]}"; do
  sign "$signed_payload/$p" "$product"
  verify "$signed_payload/$p"
  unsign "$signed_payload/$p" "$work/unsigned.tmp"
  cmp -s "$work/unsigned.tmp" "$build/payload/stage/$p" ||
    fail "$p with its signature removed differs from the built program"
done

say "building the setup around the signed payload and signing it"
build_setup "$signed_payload"
cp "$build/bin/PixorraSetup64.exe" "$build/payload/payload.zip" "$dist/signed-inside/"
cp "$dist/signed-inside/PixorraSetup64.exe" "$dist/PixorraSetup64.exe"
sign "$dist/PixorraSetup64.exe" "$product Setup"
verify "$dist/PixorraSetup64.exe"

# The relations the README promises, checked on every release.
unsign "$dist/PixorraSetup64.exe" "$work/unsigned.tmp"
cmp -s "$work/unsigned.tmp" "$dist/signed-inside/PixorraSetup64.exe" ||
  fail "the release with its signature removed is not the setup it was made from"
repacked=$work/repacked
rm -rf "$repacked" && cp -a "$signed_payload" "$repacked"
for p in "${programs[@]}"; do unsign "$signed_payload/$p" "$repacked/$p"; done
python3 "$root/scripts/lib/make_payload_zip.py" "$work/repacked.zip" "$repacked" --date "$stamp"
cmp -s "$work/repacked.zip" "$dist/unsigned/payload.zip" ||
  fail "the signed payload, its signatures removed, does not pack to the unsigned payload"
rm -f "$work/unsigned.tmp"

(cd "$dist" && sha256sum unsigned/PixorraSetup64.exe unsigned/payload.zip \
   signed-inside/payload.zip signed-inside/PixorraSetup64.exe PixorraSetup64.exe >SHA256SUMS)

# The deployment packages name the release's own SHA-256.
python3 "$root/packaging/make_packages.py" "$dist/PixorraSetup64.exe" "$dist/packages" ${url:+--url "$url"} >&2 ||
  fail "making the packages"

commit=$(git -C "$root" rev-parse HEAD 2>/dev/null || echo unknown)
[ -z "$(git -C "$root" status --porcelain --untracked-files=no 2>/dev/null)" ] || commit="$commit (with uncommitted changes)"
signer=$(openssl x509 -in "$cert" -noout -subject -nameopt oneline 2>/dev/null | sed 's/^subject= *//')
{
  echo "$product (64 bit) setup, German"
  echo "commit:        $commit"
  echo "file date:     $stamp (every entry of the payload; local time, as ZIP keeps it)"
  if [ $test_signed = 1 ]; then
    echo "signed by:     $signer -- TEST-SIGNED, NOT FOR DISTRIBUTION"
  else
    echo "signed by:     $signer"
  fi
  echo
  echo "Reproducible bytes (every build of this commit with the packages below):"
  sed -n '1,2p' "$dist/SHA256SUMS" | sed 's/^/  /'
  echo
  echo "Built with (these versions decide the reproducible bytes; others may differ):"
  dpkg-query -W -f='  ${Package} ${Version}\n' gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix \
    binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev libz-mingw-w64-dev cmake make 2>/dev/null
  python=$(sed -n 's/^_\{0,1\}Python3_EXECUTABLE:[A-Z]*=//p' "$build/CMakeCache.txt" | head -n 1)
  echo "  $("$python" -c 'import platform, zlib; print("Python", platform.python_version(), "with zlib", zlib.ZLIB_RUNTIME_VERSION)') ($python; packs the archive)"
  echo "  minizip from $(basename "$(ls -d "$build"/third_party/zlib-*/ | head -n 1)") (Debian source)"
  echo "Signed with (the signed bytes also hold the signing time and the key):"
  dpkg-query -W -f='  ${Package} ${Version}\n' osslsigncode openssl 2>/dev/null
} >"$dist/BUILDINFO.txt"

cat "$dist/SHA256SUMS"
if [ $test_signed = 1 ]; then
  cat >&2 <<'EOF'
######################################################################
#  TEST-SIGNED: dist/PixorraSetup64.exe carries a throw-away test    #
#  certificate (dist/test-certificate.pem). NOT FOR DISTRIBUTION.    #
#  A real release: scripts/release.sh --cert FILE --key FILE         #
######################################################################
EOF
fi
say "done: $dist"
