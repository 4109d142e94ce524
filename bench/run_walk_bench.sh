#!/usr/bin/env bash
# Builds the synthetic tree (once), then times the scan-style walk against
# `du -sx --apparent-size` on the same tree, warm cache, median of several runs.
#
#   bash bench/run_walk_bench.sh [TREE_FOLDER] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
TREE="${1:-${TMPDIR:-/tmp}/volumetra-bench-tree}"
RUNS="${2:-5}"

python3 bench/make_tree.py "$TREE"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build --target walk_bench -j "$(nproc)" > /dev/null

# Warm the cache with one walk of each before measuring.
du -sx --apparent-size "$TREE" > /dev/null
echo "== walk_bench"
./build/bench/walk_bench "$TREE" "$RUNS"

echo "== du -sx --apparent-size"
times=()
for _ in $(seq "$RUNS"); do
  start=$(date +%s.%N)
  du -sx --apparent-size "$TREE" > /dev/null
  end=$(date +%s.%N)
  times+=("$(echo "$end - $start" | bc -l)")
done
printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "median wall %.3f s over %d runs\n", a[int((NR+1)/2)], NR}'
/usr/bin/time -f "du peak memory: %M KB" du -sx --apparent-size "$TREE" > /dev/null
