#!/usr/bin/env bash
# Builds the programs to hand out: dist/Kinoreel-x86.exe (32-bit, runs on every Windows) and
# dist/Kinoreel-x64.exe, each one static, stripped file; then checks that they import only
# Windows' own DLLs and that the 32-bit one is large-address-aware.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

mkdir -p dist
for target in i686:x86 x86_64:x64; do
  arch=${target%%:*}
  name=${target##*:}
  build=build/release-$arch
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DKINO_TESTS=OFF >/dev/null
  cmake --build "$build" -j"$jobs" --target Kinoreel
  "$arch-w64-mingw32-strip" -o "dist/Kinoreel-$name.exe" "$build/Kinoreel.exe"
done

python3 tools/check_exe.py --stripped dist/Kinoreel-x86.exe dist/Kinoreel-x64.exe
echo "release: dist/Kinoreel-x86.exe, dist/Kinoreel-x64.exe"
