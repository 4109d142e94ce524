#!/usr/bin/env bash
# Times the real program's scan (the main window, offscreen, opens "\" and
# scans until the list is filled) against `du -sx --apparent-size` on three
# synthetic trees, warm cache, each with the machine idle and again while a
# busy loop holds one core. Every run of the program is a new process, so
# each figure is the first scan after start, what a user waits for. Prints
# the ratio of the medians per tree and load, the peak memory per entry, the
# longest time the interface thread went without events, and the time from
# Stop to settled.
#
# With --cold the page cache is dropped before every run (root only: it says
# so and stops otherwise), and the program, `du -sx` and `ncdu -0 -x -o
# /dev/null` take turns on each tree (and on FOLDER, /usr by default, as it
# is), so all three meet the same cold disk: the first scan after boot.
#
#   bash bench/run_scan_bench.sh [TREES_FOLDER] [RUNS]
#   bash bench/run_scan_bench.sh --cold [TREES_FOLDER] [RUNS] [FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench_common.sh
COLD=0
if [ "${1:-}" = --cold ]; then COLD=1; shift; fi
TREES="${1:-${TMPDIR:-/tmp}/volumetra-bench-trees}"
RUNS="${2:-5}"

BuildBench scan_bench

Median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
DropCache() { sync; echo 3 > /proc/sys/vm/drop_caches; }
Seconds() { local start end; start=$(date +%s.%N); "$@" > /dev/null 2>&1; end=$(date +%s.%N); echo "$end - $start" | bc -l; }

if [ "$COLD" = 1 ]; then
  if [ "$(id -u)" -ne 0 ] || ! ( DropCache ) 2>/dev/null; then
    echo "--cold drops the page cache before each run, which needs root: skipped"
    exit 0
  fi
  command -v ncdu > /dev/null || { echo "--cold compares with ncdu, which is not installed: skipped"; exit 0; }
  printf '%-10s %8s %8s %8s %8s %8s\n' tree scan_s du_s ncdu_s scan/du scan/ncdu
  for tree in "$TREES/mixed" "$TREES/wide" "$TREES/flat" "${3:-/usr}"; do
    case "$tree" in "$TREES"/*) PrepareTree "$tree" "$(basename "$tree")" ;; esac
    scans=() dus=() ncdus=()
    for _ in $(seq "$RUNS"); do
      DropCache
      scans+=("$(VOLUMETRA_ROOT="$tree" QT_QPA_PLATFORM=offscreen ./build/bench/scan_bench 1 |
                 awk '/^median wall/ {print $3}')")
      DropCache
      dus+=("$(Seconds du -sx "$tree")")
      DropCache
      ncdus+=("$(Seconds ncdu -0 -x -o /dev/null "$tree")")
    done
    scan="$(printf '%s\n' "${scans[@]}" | Median)"
    du="$(printf '%s\n' "${dus[@]}" | Median)"
    ncdu="$(printf '%s\n' "${ncdus[@]}" | Median)"
    printf '%-10s %8.3f %8.3f %8.3f %8.2f %8.2f\n' "$(basename "$tree")" "$scan" "$du" "$ncdu" \
      "$(echo "$scan / $du" | bc -l)" "$(echo "$scan / $ncdu" | bc -l)"
  done
  echo "goal: scan/du at most 0.40 with the page cache dropped before each run"
  exit 0
fi

# FirstScans TREE: RUNS program starts, each timing its first scan; prints
# the median wall time and the worst figures of memory, gap and stop.
FirstScans() {
  local times=() out
  local memory=0 gap=0 stop=0
  for _ in $(seq "$RUNS"); do
    out="$(VOLUMETRA_ROOT="$1" QT_QPA_PLATFORM=offscreen ./build/bench/scan_bench 1)"
    times+=("$(echo "$out" | awk '/^median wall/ {print $3}')")
    memory="$(echo "$out" | awk -v m="$memory" '/bytes per entry/ {v=$(NF-3); if (v > m) m = v} END {print m}')"
    gap="$(echo "$out" | awk -v m="$gap" '/longest event gap/ {v=$(NF-1); if (v > m) m = v} END {print m}')"
    stop="$(echo "$out" | awk -v m="$stop" '/^stop to settled/ {v=$(NF-1); if (v > m) m = v} END {print m}')"
  done
  echo "$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}') $memory $gap $stop"
}

busy=""
StartBusy() { ( while :; do :; done ) & busy=$!; }
StopBusy() { [ -n "$busy" ] && kill "$busy" 2>/dev/null; wait "$busy" 2>/dev/null || true; busy=""; }
trap StopBusy EXIT

printf '%-6s %-5s %8s %8s %6s %10s %8s %9s\n' tree load scan_s du_s ratio bytes/entry gap_ms stop_ms
for shape in mixed wide flat; do
  tree="$TREES/$shape"
  PrepareTree "$tree" "$shape"
  for load in idle busy; do
    [ "$load" = busy ] && StartBusy
    read -r scan memory gap stop <<< "$(FirstScans "$tree")"
    du="$(DuMedian "$tree" "$RUNS")"
    StopBusy
    ratio="$(echo "$scan / $du" | bc -l)"
    printf '%-6s %-5s %8.3f %8.3f %6.2f %10.1f %8d %9.1f\n' "$shape" "$load" "$scan" "$du" "$ratio" "$memory" "$gap" "$stop"
  done
done
echo "goals: ratio at most 0.55 idle and 0.90 busy, at most 100 bytes per entry (the peak once the scan is kept), gaps at most 50 ms, stop at most 100 ms"
