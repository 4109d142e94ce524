#!/usr/bin/env bash
# Builds and runs the list benchmark: a folder of ENTRIES entries (default
# 200,000) built in memory, filled into the real list pane offscreen, sorted
# by Size, Name and Modified, and scrolled through page by page.
#
#   bash bench/run_list_bench.sh [ENTRIES] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
ENTRIES="${1:-200000}"
RUNS="${2:-3}"

source bench/bench_common.sh
BuildBench list_bench
QT_QPA_PLATFORM=offscreen ./build/bench/list_bench "$ENTRIES" "$RUNS"
