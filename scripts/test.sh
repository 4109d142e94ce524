#!/usr/bin/env bash
# Installs what is missing, builds Volumetra with its tests, runs them all, and
# checks its installation.
# With VOLUMETRA_CI=1 (set by .ci/run) warnings fail the build, and the tests
# are built and run a second time with AddressSanitizer and
# UndefinedBehaviorSanitizer, where any report fails the run, and the fuzz
# targets run for a bounded time (scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/check-layers.sh
JOBS="$(nproc)"
CI="${VOLUMETRA_CI:-0}"
WERROR=OFF
[ "$CI" = 1 ] && WERROR=ON

# CI leaves the benchmarks out of its build (they are timed by hand, never
# by the tests) and the debugging information (its failures are read from
# the sanitizer build's reports): both cost minutes of its time.
BENCH=ON
OPTIMIZED="-O2 -g -DNDEBUG"
if [ "$CI" = 1 ]; then
  BENCH=OFF
  OPTIMIZED="-O2 -DNDEBUG"
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$OPTIMIZED" \
      -DVOLUMETRA_WERROR="$WERROR" -DVOLUMETRA_BENCH="$BENCH"
cmake --build build -j "$JOBS"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$JOBS"
# Installs into a temporary prefix and validates the desktop entry and the
# AppStream metadata; any error fails the run.
bash scripts/check-install.sh build

if [ "$CI" = 1 ]; then
  cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVOLUMETRA_WERROR=ON -DVOLUMETRA_SANITIZE=ON \
        -DVOLUMETRA_BENCH=OFF
  cmake --build build-sanitize -j "$JOBS"
  # Leaks are reported too (LeakSanitizer is part of AddressSanitizer).
  ASAN_OPTIONS=abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    QT_QPA_PLATFORM=offscreen ctest --test-dir build-sanitize --output-on-failure -j "$JOBS"
  # The fuzz targets, built with clang, 20 seconds each.
  FUZZ_SECONDS=20 bash scripts/fuzz.sh
fi
