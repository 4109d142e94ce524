# Sourced by the benchmark scripts: DuMedian TREE RUNS prints the median wall
# time in seconds of `du -sx --apparent-size` on TREE over RUNS runs.
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
