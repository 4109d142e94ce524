#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build-fuzz and runs each for a bounded time
# from a copy of its seed corpus in fuzz/corpus/. A crash, a leak, a failed
# property or a timeout fails the run; the input that caused it is printed
# in base64 and hex, and kept in build-fuzz/artifacts. As many targets run at
# once as there are cores.
# FUZZ_SECONDS sets the time of each target (30 by default).
set -euo pipefail
cd "$(dirname "$0")/.."

JOBS="$(nproc)"
SECONDS_EACH="${FUZZ_SECONDS:-30}"
BUILD=build-fuzz
TARGETS=(fuzz_host_names fuzz_path_list fuzz_name_list fuzz_settings fuzz_scan_file fuzz_compressed_scan_file)

cmake -S . -B "$BUILD" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOLUMETRA_FUZZ=ON \
      -DVOLUMETRA_TESTS=OFF -DVOLUMETRA_BENCH=OFF -DVOLUMETRA_WERROR=ON
cmake --build "$BUILD" -j "$JOBS" --target fuzz_targets

ARTIFACTS="$BUILD/artifacts"
rm -rf "$ARTIFACTS" "$BUILD/corpus"
mkdir -p "$ARTIFACTS"
failed=0
# One target per core at a time; each writes its own log, printed in order.
RunTarget() {
  local target="$1" corpus="$BUILD/corpus/$1"
  mkdir -p "$corpus"
  cp fuzz/corpus/"$target"/* "$corpus"/
  echo "== $target: ${SECONDS_EACH}s from $(ls "$corpus" | wc -l) seeds" > "$BUILD/$target.log"
  # The settings target writes its store in a temporary folder of its own.
  QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp" UBSAN_OPTIONS=print_stacktrace=1 \
    "$BUILD/fuzz/$target" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
    -error_exitcode=77 -timeout_exitcode=78 -print_final_stats=1 \
    -artifact_prefix="$ARTIFACTS/$target-" "$corpus" >> "$BUILD/$target.log" 2>&1
}
pids=()
for target in "${TARGETS[@]}"; do
  RunTarget "$target" &
  pids+=($!)
  if [ "${#pids[@]}" -ge "$JOBS" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
for target in "${TARGETS[@]}"; do
  head -n 1 "$BUILD/$target.log"
  tail -n 80 "$BUILD/$target.log"
  for input in "$ARTIFACTS/$target"-*; do
    [ -e "$input" ] || continue
    failed=1
    echo "== $target failed on $(basename "$input") ($(stat -c %s "$input") bytes):"
    echo "base64: $(base64 -w0 "$input")"
    od -A x -t x1z -v "$input" | head -n 64
  done
done
if [ "$failed" != 0 ]; then
  echo "fuzzing found a fault" >&2
  exit 1
fi
echo "fuzzing found nothing"
