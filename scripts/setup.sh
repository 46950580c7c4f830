#!/usr/bin/env bash
# Installs what building, running and testing Kinoreel needs (Debian, as root), and builds the
# decoder libraries it links in (scripts/decoder-libs.sh). Idempotent.
set -euo pipefail

packages=(
  cmake make g++ googletest python3
  mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
  wine wine32:i386 wine64 xvfb x11-utils imagemagick fonts-wqy-microhei
  nasm dpkg-dev libz-mingw-w64-dev libjpeg-turbo-progs
  zlib1g-dev clang-14 libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
bash "$(dirname "$0")/decoder-libs.sh"
