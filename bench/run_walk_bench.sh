#!/usr/bin/env bash
# Builds the synthetic tree (once), then times the scan-style walk against
# `du -sx --apparent-size` on the same tree, warm cache, median of several runs.
#
#   bash bench/run_walk_bench.sh [TREE_FOLDER] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench_common.sh
TREE="${1:-${TMPDIR:-/tmp}/volumetra-bench-tree}"
RUNS="${2:-5}"

PrepareTree "$TREE"
BuildBench walk_bench
echo "== walk_bench"
./build/bench/walk_bench "$TREE" "$RUNS"

echo "== du -sx --apparent-size"
printf 'median wall %.3f s over %d runs\n' "$(DuMedian "$TREE" "$RUNS")" "$RUNS"
/usr/bin/time -f "du peak memory: %M KB" du -sx --apparent-size "$TREE" > /dev/null
