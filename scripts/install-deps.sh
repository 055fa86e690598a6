#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine, only where it is missing.
#   install-deps.sh          everything: native and Windows builds, Wine for the Windows tests,
#                            clang and libFuzzer for the fuzz targets
#   install-deps.sh native   only what the native build and the demo need
set -euo pipefail

packages=(cmake make g++ libicu-dev libgtest-dev googletest)
if [[ "${1:-all}" != native ]]; then
  packages+=(g++-mingw-w64-x86-64 wine wine64 util-linux locales)
  # The fuzz targets: clang with its libFuzzer and sanitizer runtimes.
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

# The German test runs need the C library's de_DE.UTF-8 locale: Wine takes the character set of
# Unix file names from it, and without it names with umlauts do not reach the disk as UTF-8.
if [[ "${1:-all}" != native ]] && ! locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
