#!/usr/bin/env bash
# The cost of excludes: the program's `--export /dev/null TREE` with ten
# `--exclude` patterns that match little beside the same export without
# them, on the synthetic trees, warm cache. The two take turns, run after
# run, so that both meet the same machine; prints the median wall time of
# each and the median of the per-pair ratios, of wall time and of processor
# time (user and system, which a busy shared machine disturbs less).
#
#   bash bench/run_exclude_bench.sh [TREES_FOLDER] [RUNS] [SHAPES]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench_common.sh
TREES="${1:-${TMPDIR:-/tmp}/volumetra-bench-trees}"
RUNS="${2:-9}"
SHAPES="${3:-mixed wide flat}"

BuildBench volumetra

# Names the trees do not hold, in the forms people write: globs of a name,
# of an extension, of a path below the scanned folder.
EXCLUDES=(--exclude '*.swp' --exclude '*~' --exclude node_modules --exclude __pycache__
          --exclude .cache --exclude '*.tmp' --exclude 'Thumbs.db' --exclude '.DS_Store'
          --exclude 'core.[0-9]*' --exclude 'project_*/build')

# Prints "WALL CPU" seconds of a command.
Seconds() { local TIMEFORMAT='%R %U %S' t; t=$( { time "$@" > /dev/null 2>&1; } 2>&1 ); echo "$t" | awk '{print $1, $2 + $3}'; }
Median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

printf '%-6s %9s %12s %7s %10s\n' tree plain_s excludes_s ratio cpu_ratio
for shape in $SHAPES; do
  tree="$TREES/$shape"
  PrepareTree "$tree" "$shape"
  plain=() excluded=() ratios=() cpuRatios=()
  for _ in $(seq "$RUNS"); do
    read -r p pc <<< "$(Seconds ./build/volumetra --export /dev/null "$tree")"
    read -r e ec <<< "$(Seconds ./build/volumetra "${EXCLUDES[@]}" --export /dev/null "$tree")"
    plain+=("$p") excluded+=("$e") ratios+=("$(echo "$e / $p" | bc -l)") cpuRatios+=("$(echo "$ec / $pc" | bc -l)")
  done
  printf '%-6s %9.3f %12.3f %7.3f %10.3f\n' "$shape" "$(printf '%s\n' "${plain[@]}" | Median)" \
    "$(printf '%s\n' "${excluded[@]}" | Median)" "$(printf '%s\n' "${ratios[@]}" | Median)" \
    "$(printf '%s\n' "${cpuRatios[@]}" | Median)"
done
echo "goal: with ten excludes at most 1.05 times the time without"
