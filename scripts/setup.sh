#!/usr/bin/env bash
# Installs every Debian package the build and the tests use, when missing.
# Safe to run again: it only calls apt-get when something is absent.
set -euo pipefail

packages=(
  cmake make python3 zip
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev
  googletest
  # fonts-wine: Wine's own MS Sans Serif, Tahoma and Marlett; without them
  # dialogs fall back to wider host fonts and clip the templates' texts.
  wine wine64 fonts-wine
  xvfb xauth x11-utils imagemagick
  clang libclang-rt-14-dev
  dpkg-dev
  # scripts/release.sh: Authenticode signatures and the test certificate.
  osslsigncode openssl
  # locales: the Russian (code page 1251) and German locales the tests start
  # Wine under; without a compiled locale Wine cannot name non-ASCII files.
  locales
  # tests/packaging: the winget manifests read and checked against winget's
  # JSON schemas.
  python3-yaml python3-jsonschema
  # The benchmark: its NSIS peer installer (makensis) and peak memory (time).
  nsis time
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "setup: all packages present"
fi

# Compiled once; "locale -a" lists them as ru_RU.utf8 and de_DE.utf8.
for locale in ru_RU de_DE; do
  if ! locale -a 2>/dev/null | grep -qx "$locale.utf8"; then
    echo "setup: compiling the locale $locale.UTF-8"
    localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
  fi
done
