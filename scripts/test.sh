#!/usr/bin/env bash
# Builds everything and runs every test: the fuzzers for 15 s each, the native core tests, then
# the Windows tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$jobs"
cmake -S . -B build/i686 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/i686 -j"$jobs"
# A crash found by a fuzzer stops the run here.
bash scripts/fuzz.sh 15

source scripts/wine-session.sh
# A copy of the prefix whose display runs at 144 dpi (150 %), for the high-dpi tests
# (scripts/wine-run-144); each prefix has its own wineserver.
export KINO_WINEPREFIX_144="$WINEPREFIX-144"
trap 'WINEPREFIX="$KINO_WINEPREFIX_144" wineserver -k >/dev/null 2>&1 || true; kino_cleanup' EXIT
kino_start_xvfb
kino_prepare_prefix unmanaged
rm -rf "$KINO_WINEPREFIX_144"
cp -a "$WINEPREFIX" "$KINO_WINEPREFIX_144"
WINEPREFIX="$KINO_WINEPREFIX_144" wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
WINEPREFIX="$KINO_WINEPREFIX_144" wineserver -w

# One ctest run over both build trees, so one summary closes the output.
cat > build/CTestTestfile.cmake <<'CT'
subdirs("native" "i686")
CT
ctest --test-dir build --output-on-failure "$@"
