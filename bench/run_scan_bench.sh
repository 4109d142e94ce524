#!/usr/bin/env bash
# Builds the synthetic tree (once), then times the real program's scan of it
# (the main window, offscreen, opens "\" and scans until the list is filled)
# against `du -sx --apparent-size` on the same tree, warm cache, median of
# several runs.
#
#   bash bench/run_scan_bench.sh [TREE_FOLDER] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench_common.sh
TREE="${1:-${TMPDIR:-/tmp}/volumetra-bench-tree}"
RUNS="${2:-5}"

PrepareTree "$TREE"
BuildBench scan_bench
echo "== scan_bench (the program's scan until the list is filled)"
scan_out="$(VOLUMETRA_ROOT="$TREE" QT_QPA_PLATFORM=offscreen ./build/bench/scan_bench "$RUNS")"
echo "$scan_out"

echo "== du -sx --apparent-size"
du_median="$(DuMedian "$TREE" "$RUNS")"
printf 'median wall %.3f s over %d runs\n' "$du_median" "$RUNS"

scan_median="$(echo "$scan_out" | awk '/^median wall/ {print $3}')"
echo "== scan / du: $(echo "$scan_median / $du_median" | bc -l | awk '{printf "%.2f", $1}') (goal: at most 1.30)"
