#!/usr/bin/env bash
# Scan files against ncdu on the synthetic trees, warm cache:
#   export  `volumetra --export FILE TREE` beside `ncdu -0 -x -o FILE TREE`
#   open    reading ncdu's export of TREE (open_scan_bench) beside
#           `ncdu -f FILE -o /dev/null`
#   memory  bytes per entry held after opening, beside those of a scan
# Prints the median wall times over RUNS runs and their ratios.
#
#   bash bench/run_export_bench.sh [TREES_FOLDER] [RUNS] [SHAPES]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench_common.sh
TREES="${1:-${TMPDIR:-/tmp}/volumetra-bench-trees}"
RUNS="${2:-5}"
SHAPES="${3:-mixed wide flat}"
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT

BuildBench volumetra
BuildBench open_scan_bench

# Median RUNS COMMAND...: the median wall time in seconds of COMMAND.
Median() {
  local runs="$1" times=() start end
  shift
  for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    "$@" > /dev/null
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}

printf '%-6s %9s %8s %6s %9s %8s %6s %10s %10s %10s\n' tree export_s ncdu_s ratio open_s ncdu_f_s ratio held_B/e peak_B/e scan_B/e
for shape in $SHAPES; do
  tree="$TREES/$shape"
  PrepareTree "$tree" "$shape"
  ours="$(Median "$RUNS" ./build/volumetra --export "$OUT/ours.json" "$tree")"
  theirs="$(Median "$RUNS" ncdu --ignore-config -0 -x -o "$OUT/theirs.json" "$tree" 2>/dev/null)"
  open="$(Median "$RUNS" ./build/bench/open_scan_bench "$OUT/theirs.json")"
  ncduOpen="$(Median "$RUNS" ncdu --ignore-config -f "$OUT/theirs.json" -o /dev/null)"
  opened="$(./build/bench/open_scan_bench "$OUT/theirs.json")"
  scanned="$(./build/bench/open_scan_bench --scan "$tree")"
  held="$(echo "$opened" | awk '/^held/ {print $2}')"
  peak="$(echo "$opened" | awk '/^peak/ {print $2}')"
  scan="$(echo "$scanned" | awk '/^held/ {print $2}')"
  printf '%-6s %9.3f %8.3f %6.2f %9.3f %8.3f %6.2f %10.1f %10.1f %10.1f\n' "$shape" "$ours" "$theirs" \
    "$(echo "$ours / $theirs" | bc -l)" "$open" "$ncduOpen" "$(echo "$open / $ncduOpen" | bc -l)" "$held" "$peak" "$scan"
done
echo "goals: export ratio at most 0.70, open ratio below 1.00, held bytes per entry at most a scan's"
