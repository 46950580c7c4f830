#!/usr/bin/env bash
# Builds the libFuzzer targets in fuzz/ (clang, native, AddressSanitizer and UndefinedBehaviorSanitizer)
# into build/fuzz and runs each for a bounded time on a fresh copy of its seed corpus, so the repo
# is never written. A crash, a leak, a sanitizer report or a broken property fails the run.
#   bash scripts/fuzz.sh [seconds per target, default 15] [targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(image_header numtext frame_files png_reader)
build=build/fuzz

CC=clang-14 CXX=clang++-14 cmake -S fuzz -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

failed=0
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  rm -rf "$corpus" "$build/$target"-crash-* "$build/$target"-leak-* "$build/$target"-timeout-* "$build/$target"-oom-*
  mkdir -p "$corpus"
  cp fuzz/corpus/"$target"/* "$corpus"/
  seeds=$(find "$corpus" -type f | wc -l)
  log=$build/$target.log
  # One process; a slow input (25 s) counts as a fault too.
  if "$build/${target}_fuzz" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build/$target-" "$corpus" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    echo "fuzz $target: $runs runs in ${took:-?} s, no crash; coverage ${cov:-?} edges," \
      "corpus $seeds seeds + $(( $(find "$corpus" -type f | wc -l) - seeds )) new inputs"
  else
    failed=1
    echo "fuzz $target: FAILED, the input is $(ls "$build/$target"-* 2>/dev/null | head -n 1); log $log:"
    grep -E -A 12 'ERROR:|property broken|runtime error|deadly signal' "$log" | head -n 40
  fi
done
exit $failed
