#!/usr/bin/env bash
# Kept scans and comparisons on the synthetic tree (warm cache), side by side
# in one run:
#   compare_bench   the time of one scan of TREE, keeping it (zstd, written)
#                   beside its plain export and their sizes, reading the kept
#                   scan, comparing it with the scan whole and folder by
#                   folder, and the memory the comparison adds
#   --compare       `volumetra --compare OLD.zst NEW` of two exports of the
#                   tree (NEW with a thousandth of its sizes changed) beside
#                   `diff OLD NEW` of the two plain exports
#
#   bash bench/run_compare_bench.sh [TREE_FOLDER] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench_common.sh
TREE="${1:-${TMPDIR:-/tmp}/volumetra-bench-tree}"
RUNS="${2:-5}"
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT

BuildBench volumetra
BuildBench compare_bench
PrepareTree "$TREE" mixed

./build/bench/compare_bench "$TREE" "$OUT"

# The later export: every 997th entry's disk size grown by 4096 bytes.
python3 - "$OUT/plain.json" "$OUT/new.json" <<'PY'
import re, sys
with open(sys.argv[1], "rb") as old, open(sys.argv[2], "wb") as new:
    for number, line in enumerate(old):
        if number % 997 == 0:
            line = re.sub(rb'"dsize":(\d+)', lambda m: b'"dsize":%d' % (int(m.group(1)) + 4096), line)
        new.write(line)
PY

# Seconds COMMAND...: the wall time of one run of COMMAND.
Seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" > /dev/null || true
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
MedianOf() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# The three commands take turns, so that a machine busy with other work
# weighs on each alike.
: > "$OUT/ours" ; : > "$OUT/plain" ; : > "$OUT/diff"
for _ in $(seq "$RUNS"); do
  Seconds ./build/volumetra --compare "$OUT/kept.json.zst" "$OUT/new.json" >> "$OUT/ours"
  Seconds ./build/volumetra --compare "$OUT/plain.json" "$OUT/new.json" >> "$OUT/plain"
  Seconds diff "$OUT/plain.json" "$OUT/new.json" >> "$OUT/diff"
done
ours="$(MedianOf < "$OUT/ours")"
plainOurs="$(MedianOf < "$OUT/plain")"
theirs="$(MedianOf < "$OUT/diff")"
printf '%-38s %8.3f s\n' "volumetra --compare OLD.zst NEW" "$ours" "volumetra --compare OLD NEW (plain)" "$plainOurs" \
  "diff OLD NEW (plain exports)" "$theirs"
printf 'ratio --compare / diff: %.2f\n' "$(echo "$ours / $theirs" | bc -l)"
echo "goals: compare at most 0.6 s and at most a scan; added memory at most 40 bytes per earlier entry;"
echo "       keep at most 0.5 s and at most a fifth of the plain export; --compare faster than diff"
