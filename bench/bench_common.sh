# Sourced by the benchmark scripts (from the repository's top folder).

# BuildBench TARGET: configures the release build with the benchmarks and
# builds TARGET.
BuildBench() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOLUMETRA_BENCH=ON > /dev/null
  cmake --build build --target "$1" -j "$(nproc)" > /dev/null
}

# PrepareTree TREE [SHAPE]: builds the synthetic tree at TREE (once, in the
# shape of bench/make_tree.py) and warms the cache with one walk before
# anything is measured.
PrepareTree() {
  python3 bench/make_tree.py "$1" "${2:-mixed}"
  du -sx --apparent-size "$1" > /dev/null
}

# DuMedian TREE RUNS: prints the median wall time in seconds of
# `du -sx --apparent-size` on TREE over RUNS runs.
DuMedian() {
  local times=() start end
  for _ in $(seq "$2"); do
    start=$(date +%s.%N)
    du -sx --apparent-size "$1" > /dev/null
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}
